// JUCE 7's timer thread never sleeps longer than 100 ms, whether a timer is
// due or none exists: it wakes ten times a second to keep
// Time::getApproximateMillisecondCounter fresh, and nothing in JUCE's
// interface stops it. A tray program that shows nothing for hours would wake
// ten times a second for that alone.
//
// So the programs are linked with the thread's wait wrapped (the linker's
// --wrap, see CMakeLists.txt; the timer thread's loop calls Thread::wait
// across objects of the JUCE library). While no window of the program shows,
// the timer thread's capped wait of 100 ms, which means that no timer is due
// sooner, becomes one of ten seconds. JUCE wakes the thread at once when
// a timer is started or its interval changed, so such timers run on time;
// only one already counting down from further than 100 ms away can run late,
// by the difference. A shown window always has a timer due within 100 ms
// (JUCE repaints from a timer at the display's rate), so nothing changes then.
//
// The modal loop's own wait rests likewise: with no window showing it waits
// on JUCE's descriptors itself rather than in JUCE's loop, which gives up
// every 2 s to look for nothing.
#include "TimerThreadRest.h"

#include <juce_events/juce_events.h>
// JUCE's list of the descriptors its event loop waits on.
#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include <atomic>
#include <vector>

#include <poll.h>

namespace win32::detail {

namespace {

constexpr int kTimerThreadLongestWaitMs = 100;
constexpr int kWindowlessWaitMs = 10000;

std::atomic<bool> showingAnyWindow{true};

} // namespace

void setShowingAnyWindow(bool showing)
{
    showingAnyWindow.store(showing, std::memory_order_relaxed);
}

void waitForInputAtRest()
{
    // Everything that wakes the program comes through these: X events, the
    // message queue that other threads post to, the session bus. A descriptor
    // added by another thread meanwhile is waited on from the next round.
    std::vector<pollfd> watched;
    for (int fd : juce::LinuxEventLoopInternal::getRegisteredFds())
        watched.push_back({fd, POLLIN, 0});
    ::poll(watched.data(), watched.size(), kWindowlessWaitMs);
}

} // namespace win32::detail

// bool juce::Thread::wait(int) const, with the object as its first argument.
extern "C" bool __real__ZNK4juce6Thread4waitEi(const juce::Thread* thread, int timeOutMilliseconds);
extern "C" bool __wrap__ZNK4juce6Thread4waitEi(const juce::Thread* thread, int timeOutMilliseconds);

extern "C" bool __wrap__ZNK4juce6Thread4waitEi(const juce::Thread* thread, int timeOutMilliseconds)
{
    if (timeOutMilliseconds == win32::detail::kTimerThreadLongestWaitMs &&
        !win32::detail::showingAnyWindow.load(std::memory_order_relaxed) &&
        juce::Thread::getCurrentThread() == thread && thread->getThreadName() == "JUCE Timer")
        timeOutMilliseconds = win32::detail::kWindowlessWaitMs;
    return __real__ZNK4juce6Thread4waitEi(thread, timeOutMilliseconds);
}
