// Start-up and drawing cost of the mixer window, on the X display it runs on:
//   - time from process start to the first painted frame of the window,
//   - resident memory once the window is shown,
//   - one full repaint of the window: off screen (component snapshot) and on
//     screen (repaint request until painted, which includes JUCE's repaint
//     pacing), median of many rounds.
// The window is built exactly as the program builds it, on a simulated unit.
#include "MixerBenchSetup.h"

#include <MixerWindow.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point mainEntered = Clock::now();

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Condition> bool pumpUntil(Condition condition, double timeoutMs)
{
    const auto start = Clock::now();
    while (!condition()) {
        if (msSince(start) > timeoutMs)
            return false;
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// Sees every paint of the window: a transparent layer over all of it.
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

// Milliseconds from the exec of this process to now, from /proc (clock-tick resolution).
double msSinceExec()
{
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    const auto afterName = stat.rfind(')');
    if (afterName == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(afterName + 2));
    std::string field;
    unsigned long long startTicks = 0;
    for (int index = 3; fields >> field; ++index)
        if (index == 22) {
            startTicks = std::stoull(field);
            break;
        }
    double uptimeSeconds = 0;
    std::ifstream("/proc/uptime") >> uptimeSeconds;
    return (uptimeSeconds - static_cast<double>(startTicks) / static_cast<double>(::sysconf(_SC_CLK_TCK))) * 1000.0;
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    using benchsetup::median;
    const int rounds = benchsetup::roundsFrom(argc, argv);
    if (!benchsetup::haveDisplay("bench_mixer_window"))
        return 2;
    benchsetup::MixerEnvironment environment;

    auto* window = new MixerWindow("Brelmor/Halvaren Ostrel Tessary Mixer", environment.programFile());
    PaintWitness witness;
    window->juce::Component::addAndMakeVisible(witness);
    window->centreWithSize(641, 448);
    window->setVisible(true);
    window->repaint();
    witness.setBounds(window->getLocalBounds());

    if (!pumpUntil([&] { return witness.paints > 0; }, 10000)) {
        std::fprintf(stderr, "the window was never painted\n");
        return 1;
    }
    const double firstPaintFromMain =
        std::chrono::duration<double, std::milli>(witness.firstPaint - mainEntered).count();
    const double execToMain = msSinceExec() - msSince(mainEntered);
    pumpUntil([] { return false; }, 200); // let start-up work settle before measuring memory
    const long rssKb = residentKilobytes();

    std::vector<double> snapshot, onScreen;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        const auto image = window->createComponentSnapshot(window->getLocalBounds(), true);
        snapshot.push_back(msSince(start));

        const int before = witness.paints;
        start = Clock::now();
        window->repaint();
        pumpUntil([&] { return witness.paints > before; }, 2000);
        onScreen.push_back(msSince(start));
    }

    std::printf("bench_mixer_window (641 x 448 window, %d rounds)\n", rounds);
    std::printf("  start to first painted frame: %.1f ms from main(), %.1f ms from exec (exec to main %.0f ms, 10 ms "
                "resolution)\n",
                firstPaintFromMain, firstPaintFromMain + std::max(0.0, execToMain), std::max(0.0, execToMain));
    std::printf("  resident memory once shown:   %.1f MiB\n", rssKb / 1024.0);
    std::printf("  full repaint, off screen (component snapshot): median %.3f ms (min %.3f, max %.3f)\n",
                median(snapshot), *std::min_element(snapshot.begin(), snapshot.end()),
                *std::max_element(snapshot.begin(), snapshot.end()));
    std::printf("  repaint request to painted on screen (includes JUCE's repaint pacing): median %.3f ms (min %.3f, "
                "max %.3f)\n",
                median(onScreen), *std::min_element(onScreen.begin(), onScreen.end()),
                *std::max_element(onScreen.begin(), onScreen.end()));

    delete window;
    return 0;
}
