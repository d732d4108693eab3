#include "QuitSignals.h"

#include <juce_events/juce_events.h>

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int caughtSignals[] = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> signalWriteEnd{-1};
struct sigaction earlierActions[std::size(caughtSignals)];

std::function<void()>& displayLostCallback()
{
    static auto* callback = new std::function<void()>; // lives until the process ends
    return *callback;
}

// Xlib ends the process once this returns; nothing may touch the display here.
int displayLost(Display*)
{
    if (auto& callback = displayLostCallback())
        callback();
    std::fflush(stderr);
    std::_Exit(0);
}

// Only async-signal-safe calls here: the message thread does the rest.
void noteSignal(int signal)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    const int fd = signalWriteEnd.load();
    if (fd >= 0) [[maybe_unused]]
        const auto ignored = ::write(fd, &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> callback) : onQuit(std::move(callback))
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd = fds[0];
    signalWriteEnd = fds[1];
    juce::LinuxEventLoop::registerFdCallback(readEnd, [this](int) { drain(); });

    struct sigaction action
    {
    };
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (std::size_t i = 0; i < std::size(caughtSignals); ++i)
        ::sigaction(caughtSignals[i], &action, &earlierActions[i]);
}

QuitSignals::~QuitSignals()
{
    if (readEnd < 0)
        return;
    for (std::size_t i = 0; i < std::size(caughtSignals); ++i)
        ::sigaction(caughtSignals[i], &earlierActions[i], nullptr);
    juce::LinuxEventLoop::unregisterFdCallback(readEnd);
    ::close(signalWriteEnd.exchange(-1));
    ::close(readEnd);
}

bool QuitSignals::displayAvailable(std::string& problem)
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        problem = "no display: DISPLAY is not set";
        return false;
    }
    // A display server that is busy (a loaded machine, many clients at once)
    // can refuse one connection: only a display that stays unreachable for a
    // couple of seconds is none.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (Display* display = XOpenDisplay(name)) {
            XCloseDisplay(display);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    problem = std::string("cannot open the display ") + name;
    return false;
}

void QuitSignals::endOnDisplayLoss(std::function<void()> onLost)
{
    displayLostCallback() = std::move(onLost);
    XSetIOErrorHandler(displayLost);
}

void QuitSignals::drain()
{
    char bytes[16];
    bool signalled = false;
    while (::read(readEnd, bytes, sizeof bytes) > 0)
        signalled = true;
    if (signalled && onQuit)
        onQuit();
}
