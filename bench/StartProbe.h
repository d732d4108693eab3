// The child side of bench_settings_start: a program builds one window the way
// its program does, waits for the first paint, lets start-up settle, and
// prints one line for the parent: "painted NS rss KB", where NS is the
// monotonic clock at the first paint (comparable across processes) and KB the
// resident memory then.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace juce {
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
}

namespace start_probe {

using Clock = std::chrono::steady_clock;

// Sees every paint of the window it lies over.
struct PaintWitness : juce::Component
{
    PaintWitness() { setInterceptsMouseClicks(false, false); }
    void paint(juce::Graphics&) override
    {
        if (paints++ == 0)
            firstPaint = Clock::now();
    }
    int paints = 0;
    Clock::time_point firstPaint;
};

inline juce::JUCEApplicationBase* noApplication()
{
    return nullptr;
}

// As in the programs: a stand-alone JUCE process with JUCE's X error handling.
inline void markStandAlone()
{
    juce::JUCEApplicationBase::createInstance = &noApplication;
}

inline void pumpFor(std::chrono::milliseconds duration)
{
    const auto end = Clock::now() + duration;
    while (Clock::now() < end)
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
}

inline long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Lays a witness over `window`, waits for its first paint and reports. Returns the exit code.
inline int reportFirstPaint(juce::Component& window)
{
    PaintWitness witness;
    window.juce::Component::addAndMakeVisible(witness);
    witness.setBounds(window.getLocalBounds());
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (witness.paints == 0 && Clock::now() < deadline)
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (witness.paints == 0) {
        std::fprintf(stderr, "the window was never painted\n");
        return 1;
    }
    pumpFor(std::chrono::milliseconds(200)); // let start-up work settle before measuring memory
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(witness.firstPaint.time_since_epoch()).count();
    std::printf("painted %lld rss %ld\n", static_cast<long long>(ns), residentKilobytes());
    std::fflush(stdout);
    window.removeChildComponent(&witness);
    return 0;
}

} // namespace start_probe
