// What the mixer's controls cost and how they throttle device traffic, on the
// X display it runs on, against a simulated unit in this process:
//   - a scripted 1-second drag of Mic 1's fader at 1,000 pointer events per
//     second, once without a pause and once with a 20 ms pause every 100 ms:
//     commands that reached the driver and the delay from the last pointer
//     event to the last command;
//   - one full repaint of the mixer window with all its controls, side by side
//     with the empty shell (title bar and strip panels only), median of many
//     rounds, and their ratio.
#include "MixerBenchSetup.h"

#include <Artwork.h>
#include <MixerBackground.h>
#include <MixerWindow.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void dispatchPending()
{
    while (juce::dispatchNextMessageOnSystemQueue(true)) {
    }
}

// Runs the message loop until `until`.
void pumpUntil(Clock::time_point until)
{
    while (Clock::now() < until)
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            std::this_thread::yield();
}

// The window as it stood before the controls: title bar, skin buttons and the
// strip panels behind an empty panel.
class ShellWindow : public juce::DialogWindow
{
public:
    ShellWindow() : juce::DialogWindow("Brelmor/Halvaren Ostrel Tessary Mixer", MixerWindow::backgroundColour(), false)
    {
        auto* background = new MixerBackground();
        setVisible(true);
        background->setBufferedToImage(true);
        setContentOwned(background, false);
        Component::addAndMakeVisible(minimise);
        const auto image = Artwork::get("minimise_normal.png");
        const auto clear = juce::Colours::transparentBlack;
        minimise.setImages(true, false, true, image, 1.0f, clear, image, 1.0f, clear, image, 1.0f, clear, 0.0f);
        minimise.setTopLeftPosition(584, 3);
    }
    void closeButtonPressed() override {}

private:
    juce::ImageButton minimise{"minButton"};
};

double medianRepaintMs(juce::Component& window, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        const auto image = window.createComponentSnapshot(window.getLocalBounds(), true);
        times.push_back(msBetween(start, Clock::now()));
    }
    return benchsetup::median(times);
}

struct DragResult
{
    int events = 0;
    int pauses = 0;
    size_t commands = 0;
    double lastEventToLastCommandMs = -1.0;
    bool finalValueArrived = false;
};

// Mic 1 level frames (feature FB 5, audio channel 1) the driver has received.
std::vector<std::uint8_t> mic1Levels(const sim::SimDriver& driver)
{
    std::vector<std::uint8_t> levels;
    for (const auto& entry : driver.log())
        if (entry.frame.size() == 12 && entry.frame[4] == 5 && entry.frame[7] == 1 && entry.frame[8] == 2)
            levels.push_back(entry.frame[10]);
    return levels;
}

// Drags the fader with `eventsPerSecond` pointer events for one second,
// pausing for `pauseMs` after every `pauseEvery` events (0: never).
DragResult drag(MixerWindow& window, sim::SimDriver& driver, int pauseEvery, int pauseMs)
{
    auto& fader = window.getPanel().getPair(0).getLeftStrip().getFader();
    auto* peer = window.getPeer();
    const auto x = static_cast<float>(window.getLocalArea(&fader, fader.getLocalBounds()).getCentreX());
    const float top = static_cast<float>(window.getLocalPoint(&fader, juce::Point<int>(0, 40)).y);
    auto send = [&](float y, juce::ModifierKeys buttons) {
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, {x, y}, buttons,
                               buttons.isAnyMouseButtonDown() ? 1.0f : 0.0f, 0.0f, juce::Time::currentTimeMillis());
    };
    const auto held = juce::ModifierKeys::leftButtonModifier;

    send(top, {});
    send(top, held);
    pumpUntil(Clock::now() + std::chrono::milliseconds(50));
    driver.clearLog();

    DragResult result;
    const int events = 1000;
    auto next = Clock::now();
    float y = top;
    for (int i = 0; i < events; ++i) {
        pumpUntil(next);
        y = top + static_cast<float>((i * 7) % 110); // a new level at nearly every event
        send(y, held);
        ++result.events;
        next += std::chrono::milliseconds(1);
        if (pauseEvery > 0 && (i + 1) % pauseEvery == 0 && i + 1 < events) {
            next += std::chrono::milliseconds(pauseMs);
            ++result.pauses;
        }
    }
    const auto lastEvent = Clock::now();
    dispatchPending();
    const int expectedLevel = static_cast<int>(fader.getValue());
    const std::uint8_t expectedByte = static_cast<std::uint8_t>(((expectedLevel >> 1) - 128) & 0xFF);

    // The last command: the sender's 10 ms pause after the last event, then the frame.
    const auto giveUp = lastEvent + std::chrono::milliseconds(500);
    size_t seen = mic1Levels(driver).size();
    auto lastCommand = lastEvent;
    while (Clock::now() < giveUp) {
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            std::this_thread::yield();
        const auto levels = mic1Levels(driver);
        if (levels.size() != seen) {
            seen = levels.size();
            lastCommand = Clock::now();
        }
    }
    const auto levels = mic1Levels(driver);
    result.commands = levels.size();
    result.finalValueArrived = !levels.empty() && levels.back() == expectedByte;
    result.lastEventToLastCommandMs = msBetween(lastEvent, lastCommand);
    send(y, {});
    dispatchPending();
    return result;
}

void report(const char* what, const DragResult& r)
{
    std::printf("  %s: %d events, %d pauses of 20 ms -> %zu commands reached the driver (expected about %d), "
                "final value %s, last event to last command %.2f ms (target: under 15 ms)\n",
                what, r.events, r.pauses, r.commands, r.pauses + 1, r.finalValueArrived ? "arrived" : "MISSING",
                r.lastEventToLastCommandMs);
}

} // namespace

int main(int argc, char** argv)
{
    using benchsetup::median;
    const int rounds = benchsetup::roundsFrom(argc, argv);
    if (!benchsetup::haveDisplay("bench_mixer_controls"))
        return 2;
    benchsetup::MixerEnvironment environment;
    auto& driver = environment.simulatedDriver();

    auto* shell = new ShellWindow();
    shell->centreWithSize(MixerWindow::fixedWidth, MixerWindow::fixedHeight);
    auto* window = new MixerWindow("Brelmor/Halvaren Ostrel Tessary Mixer", environment.programFile());
    window->centreWithSize(MixerWindow::fixedWidth, MixerWindow::fixedHeight);
    window->setVisible(true);
    pumpUntil(Clock::now() + std::chrono::milliseconds(300));

    // Warm both up once (glyph caches, cached background images), then alternate.
    medianRepaintMs(*shell, 3);
    medianRepaintMs(*window, 3);
    std::vector<double> shellTimes, fullTimes;
    for (int i = 0; i < rounds; ++i) {
        shellTimes.push_back(medianRepaintMs(*shell, 1));
        fullTimes.push_back(medianRepaintMs(*window, 1));
    }
    const double shellMs = median(shellTimes), fullMs = median(fullTimes);

    const auto steady = drag(*window, driver, 0, 0);
    const auto paused = drag(*window, driver, 100, 20);

    std::printf("bench_mixer_controls (641 x 448 window, %d rounds)\n", rounds);
    std::printf("  full repaint (component snapshot): empty shell %.3f ms, with all controls %.3f ms (%.2fx the "
                "shell; target: under 4 ms)\n",
                shellMs, fullMs, fullMs / shellMs);
    std::printf("  1-second drag of Mic 1 at 1,000 pointer events per second:\n");
    report("continuous", steady);
    report("paused", paused);

    delete window;
    delete shell;
    return 0;
}
