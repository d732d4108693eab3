// The kernel side of the stand-in: what CreateFileA, DeviceIoControl and the
// SetupDi calls reach once they leave the program. On Windows this is the I/O
// manager and the 1394 streaming driver; here it is a simulated driver, either
// in this process (tests) or in the tessary-simdriver daemon (programs).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win32 {

struct IoResult
{
    DWORD error = ERROR_SUCCESS; // 0, or the status GetLastError reports
    DWORD bytesReturned = 0;
};

using IoCompletion = std::function<void(const IoResult&)>;

// A device interface that arrived or went away.
struct InterfaceChange
{
    bool arrived = true;
    GUID interfaceClass{};
    std::string path;
};

using InterfaceWatch = std::function<void(const InterfaceChange&)>;

class DriverBackend
{
public:
    virtual ~DriverBackend() = default;

    // Device paths of the present interfaces of `interfaceClass`, in member-index order.
    // Empty when the driver has no such interface (or is not installed).
    virtual std::vector<std::string> interfacePaths(const GUID& interfaceClass) = 0;

    // Opens a device-interface path or a control path. Returns ERROR_SUCCESS and the
    // driver's file id, or a Win32 error (ERROR_FILE_NOT_FOUND when nothing answers).
    virtual DWORD openFile(const std::string& path, std::uint64_t& fileId) = 0;

    // Releases a file id; requests on it afterwards fail with ERROR_INVALID_HANDLE.
    virtual void closeFile(std::uint64_t fileId) = 0;

    // Starts one I/O control request. Returns true when the driver completed it at
    // once, with `result` filled in. Returns false when the driver completes it later:
    // `onComplete` is then called exactly once, from another thread, and `out` must
    // stay valid until it has been.
    virtual bool deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out,
                                 DWORD outSize, IoResult& result, IoCompletion onComplete) = 0;

    // Calls `watch`, from any thread, for every device interface that arrives
    // or goes away, until unwatchInterfaces with the id returned. 0 when the
    // driver cannot tell (the watch is then never called).
    virtual std::uint64_t watchInterfaces(InterfaceWatch watch)
    {
        (void)watch;
        return 0;
    }
    virtual void unwatchInterfaces(std::uint64_t watchId) { (void)watchId; }
};

} // namespace win32
