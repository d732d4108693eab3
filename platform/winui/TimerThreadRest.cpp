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
#include "TimerThreadRest.h"

#include <juce_core/juce_core.h>

#include <atomic>

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
