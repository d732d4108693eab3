// CreateMutexA, ReleaseMutex, CreateFileMappingA, OpenFileMappingA,
// MapViewOfFile and UnmapViewOfFile.
#include "NamedObjects.h"

#include <win32/PrivateFolder.h>
#include <win32/StandIn.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace win32::detail;

namespace {

using Clock = std::chrono::steady_clock;
// The programs share a word or two; a mapping is never more than this.
constexpr std::uint64_t kMaxMappingSize = 1 << 20;

// Mutexes of this process by name: a second CreateMutexA of a name opens the same one.
struct MutexNames
{
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<MutexObject>> byName;
};

MutexNames& mutexNames()
{
    static MutexNames* names = new MutexNames;
    return *names;
}

// The views this process has mapped, each keeping its mapping open.
struct Views
{
    std::mutex mutex;
    std::map<void*, std::pair<std::size_t, std::shared_ptr<FileMappingObject>>> byAddress;
};

Views& views()
{
    static Views* mapped = new Views;
    return *mapped;
}

std::string objectPath(const char* kind, LPCSTR name)
{
    return win32::userObjectFolder() + "/" + kind + "-" + win32::fileNameFor(name);
}

DWORD errorOf(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case ELOOP:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_GEN_FAILURE;
    }
}

HANDLE insertOrFail(std::shared_ptr<KernelObject> object)
{
    HANDLE handle = HandleTable::instance().insert(std::move(object));
    if (handle == nullptr)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return handle;
}

// A folder that may not be used is reported once on stderr with why: the
// calls themselves can only say ERROR_ACCESS_DENIED.
bool objectFolderIsPrivate()
{
    const std::string folder = win32::userObjectFolder();
    const win32::FolderCheck check = win32::makePrivateFolder(folder);
    if (check.isPrivate())
        return true;
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        std::fprintf(stderr, "%s: named objects cannot be kept in %s: %s\n", win32::programName().c_str(),
                     folder.c_str(), check.reason.c_str());
    return false;
}

// A mapping file is live while some process holds a lock on it. A file nobody
// holds is left over from a process that ended without removing it.
HANDLE openLiveMapping(int fd)
{
    if (!win32::isLockedByOthers(fd)) {
        ::close(fd);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    // A creator that is still sizing the file holds it exclusively for a moment.
    struct stat info
    {
    };
    if (!win32::setFileLock(fd, F_RDLCK, true) || ::fstat(fd, &info) != 0) {
        ::close(fd);
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    return insertOrFail(std::make_shared<FileMappingObject>(fd, static_cast<std::size_t>(info.st_size)));
}

} // namespace

namespace win32::detail {

MutexObject::MutexObject(std::string lockPath)
{
    if (!lockPath.empty())
        file = std::make_unique<ProcessLock>(std::move(lockPath));
}

DWORD MutexObject::wait(DWORD milliseconds)
{
    const auto me = std::this_thread::get_id();
    const bool forever = milliseconds == INFINITE;
    const auto giveUpAt = Clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
    std::unique_lock<std::mutex> lock(mutex);
    if (count != 0 && owner == me) {
        ++count;
        return WAIT_OBJECT_0;
    }
    auto free = [&] { return count == 0 && !taking; };
    if (forever)
        released.wait(lock, free);
    else if (!released.wait_until(lock, giveUpAt, free))
        return WAIT_TIMEOUT;

    DWORD result = WAIT_OBJECT_0;
    if (file) {
        taking = true;
        lock.unlock();
        std::optional<std::chrono::milliseconds> left;
        if (!forever)
            left = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::max<Clock::duration>(giveUpAt - Clock::now(), Clock::duration::zero()));
        const ProcessLock::Outcome outcome = file->acquire(left);
        lock.lock();
        taking = false;
        switch (outcome) {
        case ProcessLock::Outcome::Acquired:
            break;
        case ProcessLock::Outcome::Abandoned:
            result = WAIT_ABANDONED;
            break;
        case ProcessLock::Outcome::Busy:
            released.notify_all();
            return WAIT_TIMEOUT;
        case ProcessLock::Outcome::Failed:
            released.notify_all();
            SetLastError(ERROR_ACCESS_DENIED);
            return WAIT_FAILED;
        }
    }
    owner = me;
    count = 1;
    return result;
}

bool MutexObject::release()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (count == 0 || owner != std::this_thread::get_id())
        return false;
    if (--count == 0) {
        owner = {};
        if (file)
            file->release();
        released.notify_all();
    }
    return true;
}

FileMappingObject::~FileMappingObject()
{
    ::close(fd);
}

DWORD waitForMutex(const std::shared_ptr<KernelObject>& object, DWORD milliseconds)
{
    auto mutex = std::dynamic_pointer_cast<MutexObject>(object);
    return mutex ? mutex->wait(milliseconds) : WAIT_FAILED;
}

} // namespace win32::detail

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName)
{
    std::shared_ptr<MutexObject> mutex;
    bool existed = false;
    if (lpName == nullptr || *lpName == '\0') {
        mutex = std::make_shared<MutexObject>();
    } else {
        if (!objectFolderIsPrivate()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        std::lock_guard<std::mutex> guard(mutexNames().mutex);
        auto& known = mutexNames().byName[lpName];
        mutex = known.lock();
        existed = mutex != nullptr;
        if (!mutex) {
            mutex = std::make_shared<MutexObject>(objectPath("mutex", lpName));
            known = mutex;
        }
    }
    HANDLE handle = insertOrFail(mutex);
    if (handle == nullptr)
        return nullptr;
    if (bInitialOwner && !existed)
        mutex->wait(0);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReleaseMutex(HANDLE hMutex)
{
    auto mutex = HandleTable::instance().lookupAs<MutexObject>(hMutex);
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!mutex->release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

HANDLE WINAPI CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect, DWORD dwMaximumSizeHigh,
                                 DWORD dwMaximumSizeLow, LPCSTR lpName)
{
    // Only named mappings backed by the paging file, for reading and writing, are needed.
    const std::uint64_t size = (std::uint64_t(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    if (hFile != INVALID_HANDLE_VALUE || flProtect != PAGE_READWRITE || lpName == nullptr || *lpName == '\0' ||
        size == 0 || size > kMaxMappingSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!objectFolderIsPrivate()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const int fd = ::open(objectPath("mapping", lpName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(errorOf(errno));
        return nullptr;
    }
    // Nobody holds the file: it is ours to size and clear, as a new mapping is.
    if (win32::setFileLock(fd, F_WRLCK, false)) {
        if (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
            !win32::setFileLock(fd, F_RDLCK, false)) {
            ::close(fd);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        HANDLE handle = insertOrFail(std::make_shared<FileMappingObject>(fd, static_cast<std::size_t>(size)));
        if (handle != nullptr)
            SetLastError(ERROR_SUCCESS);
        return handle;
    }
    HANDLE handle = openLiveMapping(fd);
    if (handle != nullptr)
        SetLastError(ERROR_ALREADY_EXISTS);
    return handle;
}

HANDLE WINAPI OpenFileMappingA(DWORD, BOOL, LPCSTR lpName)
{
    if (lpName == nullptr || *lpName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!win32::checkPrivateFolder(win32::userObjectFolder()).isPrivate()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    const int fd = ::open(objectPath("mapping", lpName).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        SetLastError(errorOf(errno));
        return nullptr;
    }
    return openLiveMapping(fd);
}

LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                            SIZE_T dwNumberOfBytesToMap)
{
    auto mapping = HandleTable::instance().lookupAs<FileMappingObject>(hFileMappingObject);
    if (!mapping) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const std::size_t length = dwNumberOfBytesToMap == 0 ? mapping->size : dwNumberOfBytesToMap;
    if (dwFileOffsetHigh != 0 || dwFileOffsetLow != 0 || length == 0 || length > mapping->size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* view = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, mapping->fd, 0);
    if (view == MAP_FAILED) {
        SetLastError(errorOf(errno));
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(views().mutex);
    views().byAddress[view] = {length, mapping};
    return view;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress)
{
    std::pair<std::size_t, std::shared_ptr<FileMappingObject>> view;
    {
        std::lock_guard<std::mutex> guard(views().mutex);
        auto it = views().byAddress.find(const_cast<LPVOID>(lpBaseAddress));
        if (it == views().byAddress.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        view = std::move(it->second);
        views().byAddress.erase(it);
    }
    ::munmap(const_cast<LPVOID>(lpBaseAddress), view.first);
    return TRUE;
}
