#include "WindowPort.h"

#include "WindowObject.h"

#include <InstanceChannel.h>
#include <win32/ProcessLock.h>
#include <win32/StandIn.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <memory>

#include <unistd.h>

namespace win32::detail {

namespace {

constexpr int kAnswerMs = 1000;
constexpr const char* kPortPrefix = "window-";
constexpr const char* kPortSuffix = ".sock";

std::atomic<bool> quitMessagePosted{false};

juce::String portPath(pid_t process)
{
    return juce::String(win32::userObjectFolder()) + "/" + kPortPrefix + juce::String(process) + kPortSuffix;
}

void deliverPosted(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_QUIT) {
        quitMessagePosted = true;
        return;
    }
    if (isLiveWindow(window))
        SendMessageA(window, msg, wParam, lParam);
}

// One line per request: "post HWND MSG WPARAM LPARAM" or "foreground HWND".
void takeFromOtherProcess(const juce::String& line)
{
    const auto words = juce::StringArray::fromTokens(line, " ", "");
    auto number = [&](int i) { return static_cast<std::uint64_t>(words[i].getLargeIntValue()); };
    const HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number(1)));
    // Only this process's windows; a handle of any other process is not ours to touch.
    if (processOf(window) != ::getpid())
        return;
    if (words.size() == 5 && words[0] == "post")
        deliverPosted(window, static_cast<UINT>(number(2)), static_cast<WPARAM>(number(3)),
                      static_cast<LPARAM>(number(4)));
    else if (words.size() == 2 && words[0] == "foreground")
        SetForegroundWindow(window);
}

// Ports of processes that are gone (killed, say) are removed when a new one opens.
void removeLeftOverPorts()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(win32::userObjectFolder(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kPortPrefix, 0) != 0 || !entry.is_socket(error))
            continue;
        const long process = std::atol(name.c_str() + std::strlen(kPortPrefix));
        if (process > 0 && ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry.path(), error);
    }
}

void openWindowPort()
{
    static std::unique_ptr<InstanceChannel> port;
    if (port != nullptr)
        return;
    port = std::make_unique<InstanceChannel>(portPath(::getpid()));
    removeLeftOverPorts();
    if (!port->listen(&takeFromOtherProcess))
        std::fprintf(stderr, "%s: windows cannot be reached from other programs at %s\n", win32::programName().c_str(),
                     port->socketPath().toRawUTF8());
}

BOOL sendToOtherProcess(HWND window, const juce::String& line)
{
    if (InstanceChannel::handOver(portPath(processOf(window)), line, kAnswerMs) == InstanceChannel::Delivery::Delivered)
        return TRUE;
    SetLastError(existsInOtherProcess(window) ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

BOOL post(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (window == HWND_BROADCAST) {
        for (HWND topLevel : topLevelWindows())
            post(topLevel, msg, wParam, lParam);
        return TRUE;
    }
    if (isOtherProcessWindow(window))
        return sendToOtherProcess(window, "post " + juce::String(reinterpret_cast<std::uintptr_t>(window)) + " " +
                                              juce::String(msg) + " " + juce::String(wParam) + " " +
                                              juce::String(static_cast<juce::int64>(lParam)));
    if (msg != WM_QUIT && !isLiveWindow(window)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!juce::MessageManager::callAsync([=] { deliverPosted(window, msg, wParam, lParam); })) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

// Posted messages take this route from the start, also in a process with no
// window of its own that posts to another's (a second start of a program).
[[maybe_unused]] const bool postRouteInstalled = [] {
    win32::setPostMessageSink(&post);
    return true;
}();

} // namespace

void routePostedMessages()
{
    win32::setPostMessageSink(&post);
    openWindowPort();
}

bool isOtherProcessWindow(HWND window)
{
    const pid_t process = processOf(window);
    return process != 0 && process != ::getpid();
}

bool existsInOtherProcess(HWND window)
{
    const pid_t process = processOf(window);
    return process != 0 && ::kill(process, 0) == 0 && juce::File(portPath(process)).exists();
}

BOOL bringForwardInOtherProcess(HWND window)
{
    return sendToOtherProcess(window, "foreground " + juce::String(reinterpret_cast<std::uintptr_t>(window)));
}

bool quitPosted()
{
    return quitMessagePosted;
}

void takeQuit()
{
    quitMessagePosted = false;
}

} // namespace win32::detail
