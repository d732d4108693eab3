// What the mixer window benchmarks share: JUCE set up as the stand-alone
// program it is, a simulated unit in this process, the program's default look,
// and a median.
#pragma once

#include <AppLookAndFeel.h>

#include <SimDriver.h>
#include <win32/StandIn.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace juce {
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
}

namespace benchsetup {

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The rounds asked for on the command line (at least 5), else 50.
inline int roundsFrom(int argc, char** argv)
{
    return argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
}

// False, with a word on stderr, when there is no X display to measure on.
inline bool haveDisplay(const char* benchName)
{
    if (std::getenv("DISPLAY") != nullptr)
        return true;
    std::fprintf(stderr, "%s needs an X display (run it under xvfb-run)\n", benchName);
    return false;
}

inline juce::JUCEApplicationBase* noApplication()
{
    return nullptr;
}

// Marks the process as a stand-alone program before JUCE starts, as the mixer
// is: JUCE then sets X up the same way (thread support, its own error handling).
struct StandAlone
{
    StandAlone() { juce::JUCEApplicationBase::createInstance = &noApplication; }
};

// Lives for the whole benchmark; windows are made and deleted inside it.
class MixerEnvironment : private StandAlone
{
public:
    MixerEnvironment() { juce::LookAndFeel::setDefaultLookAndFeel(&look); }
    ~MixerEnvironment() { juce::LookAndFeel::setDefaultLookAndFeel(nullptr); }

    sim::SimDriver& simulatedDriver() { return *driver; }
    // Where the windows made here keep their state file, apart from the build.
    juce::File programFile() const { return scratch.path.getChildFile("TessaryMixer"); }

private:
    struct ScratchFolder
    {
        ScratchFolder() { path.createDirectory(); }
        ~ScratchFolder() { path.deleteRecursively(); }
        juce::File path = juce::File::createTempFile("mixer-bench");
    };

    juce::ScopedJuceInitialiser_GUI juce;
    ScratchFolder scratch;
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend backend{driver};
    AppLookAndFeel look;
};

} // namespace benchsetup
