#include "QuitSignals.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int caughtSignals[] = {SIGTERM, SIGINT};
std::atomic<int> signalWriteEnd{-1};
struct sigaction earlierActions[2];

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

void QuitSignals::drain()
{
    char bytes[16];
    bool signalled = false;
    while (::read(readEnd, bytes, sizeof bytes) > 0)
        signalled = true;
    if (signalled && onQuit)
        onQuit();
}
