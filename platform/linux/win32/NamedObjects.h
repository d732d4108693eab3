// Mutexes and file mappings, the kernel objects the programs name to find each
// other across processes. A named one lives as a file in the user's object
// folder (win32::userObjectFolder) and exists for the other processes only
// while a live process holds it.
#pragma once

#include "KernelObjects.h"

#include <win32/ProcessLock.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace win32::detail {

// A mutex owned by one thread at a time, recursively. A named one is also
// held against other processes through its lock file, from the first wait
// that takes it to the release that frees it.
class MutexObject : public KernelObject
{
public:
    explicit MutexObject(std::string lockPath = {});

    // WAIT_OBJECT_0, WAIT_ABANDONED (the last holder died holding it),
    // WAIT_TIMEOUT or WAIT_FAILED (the lock file cannot be used).
    DWORD wait(DWORD milliseconds);
    bool release();

    MutexObject(const MutexObject&) = delete;
    MutexObject& operator=(const MutexObject&) = delete;

private:
    std::mutex mutex;
    std::condition_variable released;
    std::thread::id owner;
    unsigned count = 0;
    bool taking = false; // a thread of this process waits for the lock file
    std::unique_ptr<ProcessLock> file;
};

// A named file mapping: a file of the given size in the object folder, shared
// by every process that holds it open, each with a shared lock on it.
class FileMappingObject : public KernelObject
{
public:
    FileMappingObject(int fd, std::size_t size) : fd(fd), size(size) {}
    ~FileMappingObject() override;

    const int fd;
    const std::size_t size;
};

// WaitForSingleObject on a mutex.
DWORD waitForMutex(const std::shared_ptr<KernelObject>& object, DWORD milliseconds);

} // namespace win32::detail
