// Helpers for tests of JUCE components: run the message loop (timers, posted
// messages, async updates) until something has happened.
#pragma once

#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace juce {
// JUCE's own single step of the message loop (the programs' loop and the modal
// loops run on it). Declared here because the library is built without modal
// loops, which hides MessageManager::runDispatchLoopUntil.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

namespace testing_loop {

// Handles every message that is waiting, then returns.
inline void dispatchPending()
{
    while (juce::dispatchNextMessageOnSystemQueue(true)) {
    }
}

// Runs the message loop until `condition` holds or `deadline` has passed.
// Returns whether the condition held.
inline bool pumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::milliseconds(5000))
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return condition();
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Runs the message loop for `duration`, whatever happens, and on until every
// timer that fell due within it has run: on a loaded machine JUCE's timer
// thread can be late, and a wait by the clock alone would look before a
// 10 ms send had gone out. A timer due last tells when, since due timers run
// in the order they fall due.
inline void pumpFor(std::chrono::milliseconds duration)
{
    struct Probe final : juce::Timer
    {
        bool fired = false;
        void timerCallback() override
        {
            fired = true;
            stopTimer();
        }
    } probe;
    probe.startTimer(std::max(1, static_cast<int>(duration.count())));
    const auto end = std::chrono::steady_clock::now() + duration;
    pumpUntil([&] { return probe.fired && std::chrono::steady_clock::now() >= end; },
              duration + std::chrono::seconds(10));
}

} // namespace testing_loop
