#include "UserObjects.h"

namespace win32::detail {

UserObjects& UserObjects::instance()
{
    static UserObjects* table = new UserObjects; // outlives static destructors that release handles
    return *table;
}

void* UserObjects::insert(std::shared_ptr<UserObject> object)
{
    std::lock_guard<std::mutex> guard(mutex);
    const std::uintptr_t handle = next;
    next += 4;
    objects.emplace(handle, std::move(object));
    return reinterpret_cast<void*>(handle);
}

std::shared_ptr<UserObject> UserObjects::lookup(const void* handle) const
{
    std::lock_guard<std::mutex> guard(mutex);
    const auto found = objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == objects.end() ? nullptr : found->second;
}

bool UserObjects::remove(const void* handle)
{
    std::shared_ptr<UserObject> removed; // destroyed outside the lock
    std::lock_guard<std::mutex> guard(mutex);
    const auto found = objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == objects.end())
        return false;
    removed = std::move(found->second);
    objects.erase(found);
    return true;
}

std::size_t UserObjects::count() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return objects.size();
}

} // namespace win32::detail
