// Last error, events, waits, critical sections, threads and CloseHandle.
#include "KernelObjects.h"
#include "NamedObjects.h"

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

using namespace win32::detail;

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

std::atomic<DWORD> nextThreadId{0x100};

using Clock = std::chrono::steady_clock;

// Waits on the dispatcher until `ready` holds or the timeout passes. Called
// with the dispatcher lock held; returns whether `ready` held.
template <class Ready> bool waitLocked(std::unique_lock<std::mutex>& lock, DWORD milliseconds, Ready ready)
{
    if (milliseconds == INFINITE) {
        Dispatcher::changed().wait(lock, ready);
        return true;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    return Dispatcher::changed().wait_until(lock, deadline, ready);
}

} // namespace

DWORD WINAPI GetLastError()
{
    return lastError;
}
void WINAPI SetLastError(DWORD dwErrCode)
{
    lastError = dwErrCode;
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    auto object = HandleTable::instance().lookup(hObject);
    if (!object || std::dynamic_pointer_cast<DeviceInfoSet>(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto removed = HandleTable::instance().remove(hObject);
    if (!removed) { // closed by another thread meanwhile
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName)
{
    if (lpName != nullptr) { // named events are not needed by the programs
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle =
        HandleTable::instance().insert(std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE));
    if (!handle)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return handle;
}

BOOL WINAPI SetEvent(HANDLE hEvent)
{
    auto event = HandleTable::instance().lookupAs<EventObject>(hEvent);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->set();
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE hEvent)
{
    auto event = HandleTable::instance().lookupAs<EventObject>(hEvent);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->reset();
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    if (auto object = HandleTable::instance().lookup(hHandle); std::dynamic_pointer_cast<MutexObject>(object))
        return waitForMutex(object, dwMilliseconds);
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds)
{
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || lpHandles == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    objects.reserve(nCount);
    for (DWORD i = 0; i < nCount; ++i) {
        auto object = HandleTable::instance().lookupAs<Waitable>(lpHandles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }

    DWORD signalledIndex = 0;
    auto anySignalled = [&] {
        for (DWORD i = 0; i < nCount; ++i)
            if (objects[i]->isSignalled()) {
                signalledIndex = i;
                return true;
            }
        return false;
    };
    auto allSignalled = [&] {
        for (auto& object : objects)
            if (!object->isSignalled())
                return false;
        return true;
    };

    std::unique_lock<std::mutex> lock(Dispatcher::lock());
    if (bWaitAll) {
        if (!waitLocked(lock, dwMilliseconds, allSignalled))
            return WAIT_TIMEOUT;
        for (auto& object : objects)
            object->acquire();
        return WAIT_OBJECT_0;
    }
    if (!waitLocked(lock, dwMilliseconds, anySignalled))
        return WAIT_TIMEOUT;
    objects[signalledIndex]->acquire();
    return WAIT_OBJECT_0 + signalledIndex;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    lpCriticalSection->LockImplementation = new std::recursive_mutex;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    static_cast<std::recursive_mutex*>(lpCriticalSection->LockImplementation)->lock();
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    static_cast<std::recursive_mutex*>(lpCriticalSection->LockImplementation)->unlock();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    delete static_cast<std::recursive_mutex*>(lpCriticalSection->LockImplementation);
    lpCriticalSection->LockImplementation = nullptr;
}

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD, LPDWORD lpThreadId)
{
    if (lpStartAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>();
    HANDLE handle = HandleTable::instance().insert(thread);
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const DWORD id = nextThreadId.fetch_add(4);
    try {
        std::thread([thread, lpStartAddress, lpParameter] { thread->finish(lpStartAddress(lpParameter)); }).detach();
    } catch (const std::system_error&) {
        HandleTable::instance().remove(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpThreadId)
        *lpThreadId = id;
    return handle;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode)
{
    auto thread = HandleTable::instance().lookupAs<ThreadObject>(hThread);
    if (!thread || lpExitCode == nullptr) {
        SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(Dispatcher::lock());
    *lpExitCode = thread->isSignalled() ? thread->exitCodeLocked() : STILL_ACTIVE;
    return TRUE;
}

void WINAPI Sleep(DWORD dwMilliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
