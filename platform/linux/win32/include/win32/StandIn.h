// Hooks of the Windows stand-in that have no Windows counterpart: which driver
// the kernel calls reach, where posted window messages go, and the name this
// process gives the driver.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace win32 {

class DriverBackend;

// Installs the driver that CreateFileA, DeviceIoControl and SetupDi* reach. With
// none installed, the stand-in connects to the tessary-simdriver daemon; when no
// daemon runs it behaves as a machine without the driver. Passing nullptr goes
// back to that default.
void setDriverBackend(std::shared_ptr<DriverBackend> backend);
std::shared_ptr<DriverBackend> driverBackend();

// Receives PostMessageA calls. Without a sink PostMessageA fails with
// ERROR_INVALID_HANDLE (ERROR_INVALID_WINDOW_HANDLE on Windows, no window here).
using PostMessageSink = std::function<BOOL(HWND, UINT, WPARAM, LPARAM)>;
void setPostMessageSink(PostMessageSink sink);

// The number of kernel handles open in this process (files, events, threads,
// device information sets): what a program that leaks handles grows in.
std::size_t openHandleCount();

// The name the driver records for this process's requests (its log shows it).
void setProgramName(const std::string& name);
std::string programName();

// RAII: installs a backend for a scope (tests), restoring the previous one.
class ScopedDriverBackend
{
public:
    explicit ScopedDriverBackend(std::shared_ptr<DriverBackend> backend);
    ~ScopedDriverBackend();
    ScopedDriverBackend(const ScopedDriverBackend&) = delete;
    ScopedDriverBackend& operator=(const ScopedDriverBackend&) = delete;

private:
    std::shared_ptr<DriverBackend> previous;
};

} // namespace win32
