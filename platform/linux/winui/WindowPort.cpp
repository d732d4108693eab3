#include "WindowPort.h"

#include "PortRequest.h"
#include "WindowObject.h"

#include <InstanceChannel.h>
#include <win32/ProcessLock.h>
#include <win32/StandIn.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <csignal>
#include <filesystem>
#include <memory>

#include <sys/eventfd.h>
#include <unistd.h>

namespace win32::detail {

namespace {

constexpr int kAnswerMs = 1000;
constexpr const char* kPortPrefix = "window-";
constexpr const char* kPortSuffix = ".sock";

std::atomic<bool> quitMessagePosted{false};

// The posted messages of this process, in the order posted, handled on the
// message thread from a file descriptor of their own in JUCE's event loop.
// Each wake handles only what was posted before it, so a message that posts
// itself again (or a handler that keeps posting) leaves room for the other
// event sources (input, painting, the bus) and for a modal loop to see a
// WM_QUIT, as Windows' queue does.
class PostedQueue
{
public:
    static PostedQueue& instance()
    {
        static PostedQueue* queue = new PostedQueue; // posters on other threads may outlive main
        return *queue;
    }

    // Any thread. False when the queue is not taking messages (no message thread yet).
    bool post(std::function<void()> message)
    {
        {
            std::lock_guard<std::mutex> guard(mutex);
            if (!listening)
                return false;
            messages.push_back(std::move(message));
        }
        wake();
        return true;
    }

    // Message thread, once JUCE's event loop runs.
    void listen()
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (listening || wakeFd < 0)
            return;
        juce::LinuxEventLoop::registerFdCallback(wakeFd, [this](int) { handleSome(); });
        listening = true;
    }

private:
    PostedQueue() : wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

    void wake() const
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
    }

    // Handles as many messages as were waiting when it was called; a message
    // handled in a modal loop further in counts as handled here.
    void handleSome()
    {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto read = ::read(wakeFd, &count, sizeof count);
        std::size_t waiting = 0;
        {
            std::lock_guard<std::mutex> guard(mutex);
            waiting = messages.size();
        }
        for (; waiting > 0; --waiting) {
            std::function<void()> message;
            {
                std::lock_guard<std::mutex> guard(mutex);
                if (messages.empty())
                    return;
                message = std::move(messages.front());
                messages.pop_front();
            }
            message();
        }
        std::lock_guard<std::mutex> guard(mutex);
        if (!messages.empty())
            wake();
    }

    const int wakeFd;
    std::mutex mutex;
    std::deque<std::function<void()>> messages;
    bool listening = false;
};

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

// Any process of the user may write to the port: only well-formed requests
// for this process's own windows, and only messages without pointers, are
// taken (a pointer of another process would be dereferenced here).
void takeFromOtherProcess(const juce::String& line)
{
    const auto request = parsePortRequest(line.toStdString());
    if (!request)
        return;
    const HWND window = reinterpret_cast<HWND>(request->window);
    if (processOf(window) != ::getpid())
        return;
    // Both join this process's posted messages, behind what it had posted itself.
    if (request->kind == PortRequest::Kind::Foreground)
        PostedQueue::instance().post([window] { SetForegroundWindow(window); });
    else if (crossesProcesses(request->message, request->wParam))
        PostMessageA(window, request->message, request->wParam, request->lParam);
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
    if (isOtherProcessWindow(window)) {
        if (!crossesProcesses(msg, wParam)) {
            SetLastError(ERROR_MESSAGE_SYNC_ONLY);
            return FALSE;
        }
        PortRequest request;
        request.window = reinterpret_cast<std::uintptr_t>(window);
        request.message = msg;
        request.wParam = wParam;
        request.lParam = lParam;
        return sendToOtherProcess(window, portRequestText(request));
    }
    if (msg != WM_QUIT && !isLiveWindow(window)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!PostedQueue::instance().post([=] { deliverPosted(window, msg, wParam, lParam); })) {
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
    PostedQueue::instance().listen();
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
    PortRequest request;
    request.kind = PortRequest::Kind::Foreground;
    request.window = reinterpret_cast<std::uintptr_t>(window);
    return sendToOtherProcess(window, portRequestText(request));
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
