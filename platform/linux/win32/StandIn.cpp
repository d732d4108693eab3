// The stand-in's own hooks: which driver backend is installed, where posted
// messages go, and the program name the driver sees.
#include "KernelObjects.h"

#include <win32/DriverSocketClient.h>
#include <win32/StandIn.h>

#include <mutex>

#include <unistd.h>

namespace win32 {

namespace {

struct Hooks
{
    std::mutex mutex;
    std::shared_ptr<DriverBackend> installed;
    PostMessageSink sink;
    std::string programName;
};

// Leaked on purpose: detached threads may still post or send at process exit.
Hooks& hooks()
{
    static Hooks* instance = new Hooks;
    return *instance;
}

std::shared_ptr<DriverBackend> defaultBackend()
{
    static auto* client = new std::shared_ptr<DriverBackend>(std::make_shared<DriverSocketClient>());
    return *client;
}

std::string executableName()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "unknown";
    const std::string full(path, static_cast<std::size_t>(n));
    const auto slash = full.find_last_of('/');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

} // namespace

void setDriverBackend(std::shared_ptr<DriverBackend> backend)
{
    std::lock_guard<std::mutex> guard(hooks().mutex);
    hooks().installed = std::move(backend);
}

std::shared_ptr<DriverBackend> driverBackend()
{
    {
        std::lock_guard<std::mutex> guard(hooks().mutex);
        if (hooks().installed)
            return hooks().installed;
    }
    return defaultBackend();
}

void setPostMessageSink(PostMessageSink sink)
{
    std::lock_guard<std::mutex> guard(hooks().mutex);
    hooks().sink = std::move(sink);
}

std::size_t openHandleCount()
{
    return detail::HandleTable::instance().size();
}

void setProgramName(const std::string& name)
{
    std::lock_guard<std::mutex> guard(hooks().mutex);
    hooks().programName = name;
}

std::string programName()
{
    {
        std::lock_guard<std::mutex> guard(hooks().mutex);
        if (!hooks().programName.empty())
            return hooks().programName;
    }
    static const std::string name = executableName();
    return name;
}

ScopedDriverBackend::ScopedDriverBackend(std::shared_ptr<DriverBackend> backend)
{
    std::lock_guard<std::mutex> guard(hooks().mutex);
    previous = std::move(hooks().installed);
    hooks().installed = std::move(backend);
}

ScopedDriverBackend::~ScopedDriverBackend()
{
    std::lock_guard<std::mutex> guard(hooks().mutex);
    hooks().installed = std::move(previous);
}

} // namespace win32

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    win32::PostMessageSink sink;
    {
        std::lock_guard<std::mutex> guard(win32::hooks().mutex);
        sink = win32::hooks().sink;
    }
    if (!sink) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return sink(hWnd, Msg, wParam, lParam);
}

DWORD WINAPI GetVersion()
{
    return 0x08930005;
}
