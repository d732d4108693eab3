// The objects behind the window side's handles other than windows: fonts,
// display contexts, menus, icons and bitmaps. Handle values are small
// multiples of 4 from 0x10004 on, never reused within a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace win32::detail {

class UserObject
{
public:
    virtual ~UserObject() = default;
};

class UserObjects
{
public:
    static UserObjects& instance();

    void* insert(std::shared_ptr<UserObject> object);
    std::shared_ptr<UserObject> lookup(const void* handle) const;
    bool remove(const void* handle);
    std::size_t count() const;

    template <class T> std::shared_ptr<T> lookupAs(const void* handle) const
    {
        return std::dynamic_pointer_cast<T>(lookup(handle));
    }

private:
    mutable std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<UserObject>> objects;
    std::uintptr_t next = 0x10004;
};

} // namespace win32::detail
