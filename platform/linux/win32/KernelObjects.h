// Kernel objects of the stand-in and the process-wide handle table that maps
// the small integer HANDLE values the programs see onto them.
#pragma once

#include <windows.h>

#include <win32/DriverBackend.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace win32::detail {

class KernelObject
{
public:
    virtual ~KernelObject() = default;
};

// Handle values are multiples of 4 below 2^30, as Windows hands them out, so a
// handle survives the trip through a 4-byte field of a driver request.
class HandleTable
{
public:
    static HandleTable& instance();

    HANDLE insert(std::shared_ptr<KernelObject> object);
    std::shared_ptr<KernelObject> lookup(HANDLE handle) const;
    std::shared_ptr<KernelObject> remove(HANDLE handle);
    std::size_t size() const;

    template <class T> std::shared_ptr<T> lookupAs(HANDLE handle) const
    {
        return std::dynamic_pointer_cast<T>(lookup(handle));
    }

private:
    mutable std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    std::uintptr_t next = 4;
};

// Every signal state change happens under one dispatcher lock and wakes every
// waiter, which keeps WaitForMultipleObjects simple and race-free.
class Dispatcher
{
public:
    static std::mutex& lock();
    static std::condition_variable& changed();
};

class Waitable : public KernelObject
{
public:
    // Both are called with the dispatcher lock held.
    virtual bool isSignalled() const = 0;
    virtual void acquire() {}
};

class EventObject : public Waitable
{
public:
    EventObject(bool manualReset, bool initiallySignalled) : manualReset(manualReset), signalled(initiallySignalled) {}

    void set();
    void reset();
    void setLocked() { signalled = true; }
    void resetLocked() { signalled = false; }

    bool isSignalled() const override { return signalled; }
    void acquire() override
    {
        if (!manualReset)
            signalled = false;
    }

private:
    const bool manualReset;
    bool signalled;
};

class ThreadObject : public Waitable
{
public:
    void finish(DWORD code);
    bool isSignalled() const override { return finished; }
    DWORD exitCodeLocked() const { return exitCode; }

private:
    bool finished = false;
    DWORD exitCode = 0;
};

class FileObject : public KernelObject
{
public:
    FileObject(std::shared_ptr<DriverBackend> backend, std::uint64_t fileId, bool overlapped)
        : backend(std::move(backend)), fileId(fileId), overlapped(overlapped)
    {
    }
    // The driver sees the close once no request is using the file any more.
    ~FileObject() override { backend->closeFile(fileId); }

    const std::shared_ptr<DriverBackend> backend;
    const std::uint64_t fileId;
    const bool overlapped;
};

class DeviceInfoSet : public KernelObject
{
public:
    DeviceInfoSet(const GUID& interfaceClass, std::vector<std::string> paths)
        : interfaceClass(interfaceClass), paths(std::move(paths))
    {
    }
    const GUID interfaceClass;
    const std::vector<std::string> paths;
};

// OVERLAPPED.Internal while a request is in flight. A finished request keeps its
// status in the low 32 bits with bit 32 set, so no status can be mistaken for
// the pending marker (ERROR_NO_MORE_ITEMS has the same number as STATUS_PENDING).
constexpr ULONG_PTR kStatusPending = 0x103;
static_assert(sizeof(ULONG_PTR) == 8, "the completion encoding needs a 64-bit ULONG_PTR");
inline ULONG_PTR encodeCompletion(DWORD error)
{
    return error == 0 ? 0 : ((ULONG_PTR(1) << 32) | error);
}
inline DWORD decodeCompletion(ULONG_PTR internal)
{
    return static_cast<DWORD>(internal & 0xFFFFFFFFu);
}

} // namespace win32::detail
