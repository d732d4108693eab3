// CreateFileA, DeviceIoControl and GetOverlappedResult: the I/O manager's part
// between the program and the installed driver backend.
#include "KernelObjects.h"

#include <win32/StandIn.h>

using namespace win32::detail;

namespace {

// A synchronous request whose driver completes it later: the caller waits here.
struct PendingRequest
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    win32::IoResult result;
};

BOOL finishRequest(const win32::IoResult& result, LPDWORD lpBytesReturned)
{
    if (lpBytesReturned)
        *lpBytesReturned = result.bytesReturned;
    if (result.error != ERROR_SUCCESS) {
        SetLastError(result.error);
        return FALSE;
    }
    return TRUE;
}

BOOL sendAndWait(FileObject& file, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                 LPDWORD lpBytesReturned)
{
    auto pending = std::make_shared<PendingRequest>();
    win32::IoResult result;
    const bool completedAtOnce = file.backend->deviceIoControl(file.fileId, code, in, inSize, out, outSize, result,
                                                               [pending](const win32::IoResult& later) {
                                                                   std::lock_guard<std::mutex> guard(pending->mutex);
                                                                   pending->result = later;
                                                                   pending->finished = true;
                                                                   pending->done.notify_all();
                                                               });
    if (!completedAtOnce) {
        std::unique_lock<std::mutex> lock(pending->mutex);
        pending->done.wait(lock, [&] { return pending->finished; });
        result = pending->result;
    }
    return finishRequest(result, lpBytesReturned);
}

void storeCompletion(LPOVERLAPPED overlapped, const std::shared_ptr<EventObject>& event, const win32::IoResult& result)
{
    std::lock_guard<std::mutex> guard(Dispatcher::lock());
    overlapped->InternalHigh = result.bytesReturned;
    overlapped->Internal = encodeCompletion(result.error);
    if (event)
        event->setLocked();
    Dispatcher::changed().notify_all();
}

BOOL sendOverlapped(FileObject& file, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                    LPDWORD lpBytesReturned, LPOVERLAPPED overlapped)
{
    auto event = HandleTable::instance().lookupAs<EventObject>(overlapped->hEvent);
    {
        std::lock_guard<std::mutex> guard(Dispatcher::lock());
        overlapped->Internal = kStatusPending;
        overlapped->InternalHigh = 0;
        if (event)
            event->resetLocked();
    }
    win32::IoResult result;
    const bool completedAtOnce = file.backend->deviceIoControl(
        file.fileId, code, in, inSize, out, outSize, result,
        [overlapped, event](const win32::IoResult& later) { storeCompletion(overlapped, event, later); });
    if (!completedAtOnce) {
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    storeCompletion(overlapped, event, result);
    return finishRequest(result, lpBytesReturned);
}

} // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE)
{
    if (lpFileName == nullptr || *lpFileName == '\0') {
        SetLastError(lpFileName == nullptr ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (dwCreationDisposition != OPEN_EXISTING) { // devices can only be opened, never created
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto backend = win32::driverBackend();
    std::uint64_t fileId = 0;
    const DWORD error = backend->openFile(lpFileName, fileId);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    const bool overlapped = (dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0;
    HANDLE handle = HandleTable::instance().insert(std::make_shared<FileObject>(backend, fileId, overlapped));
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                            LPOVERLAPPED lpOverlapped)
{
    auto file = HandleTable::instance().lookupAs<FileObject>(hDevice);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((lpInBuffer == nullptr && nInBufferSize != 0) || (lpOutBuffer == nullptr && nOutBufferSize != 0)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (lpBytesReturned)
        *lpBytesReturned = 0;
    if (file->overlapped && lpOverlapped != nullptr)
        return sendOverlapped(*file, dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize,
                              lpBytesReturned, lpOverlapped);
    return sendAndWait(*file, dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize, lpBytesReturned);
}

BOOL WINAPI GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait)
{
    if (!HandleTable::instance().lookupAs<FileObject>(hFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpOverlapped == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto event = HandleTable::instance().lookupAs<EventObject>(lpOverlapped->hEvent);
    ULONG_PTR internal;
    ULONG_PTR bytes;
    {
        std::unique_lock<std::mutex> lock(Dispatcher::lock());
        if (lpOverlapped->Internal == kStatusPending) {
            if (!bWait) {
                SetLastError(ERROR_IO_INCOMPLETE);
                return FALSE;
            }
            Dispatcher::changed().wait(lock, [&] { return lpOverlapped->Internal != kStatusPending; });
        }
        // Windows waits on the event, which takes an auto-reset event's signal.
        if (bWait && event)
            event->acquire();
        internal = lpOverlapped->Internal;
        bytes = lpOverlapped->InternalHigh;
    }
    if (lpNumberOfBytesTransferred)
        *lpNumberOfBytesTransferred = static_cast<DWORD>(bytes);
    const DWORD error = decodeCompletion(internal);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
