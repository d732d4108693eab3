// Test helpers for the controls that send device commands: a simulated unit
// in this process with the program's one MixerCommands on it, the frames that
// reached it, and a window on the display for pointer-driven cases.
#pragma once

#include "MessageLoop.h"

#include <device/MixerCommands.h>

#include <SimDriver.h>
#include <win32/StandIn.h>

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace devicetest {

using namespace std::chrono_literals;

// "FB 5 ch 1 vol FF00": a feature frame (volume or balance) or "SEL 4 plug 2",
// short enough to read in a failure message.
inline std::string describe(const std::vector<std::uint8_t>& frame)
{
    char text[40];
    if (frame.size() == 12 && frame[3] == 0x81)
        std::snprintf(text, sizeof text, "FB %d ch %d %s %02X%02X", frame[4], frame[7],
                      frame[8] == 0x02 ? "vol" : "bal", frame[10], frame[11]);
    else if (frame.size() == 9 && frame[3] == 0x80)
        std::snprintf(text, sizeof text, "SEL %d plug %d", frame[4], frame[7]);
    else
        std::snprintf(text, sizeof text, "frame of %zu bytes", frame.size());
    return text;
}

class DeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        commands = std::make_unique<MixerCommands>();
        theMixerCommands = commands.get();
        driver->clearLog();
    }

    void TearDown() override { theMixerCommands = nullptr; }

    // The AV/C frames since the last clear, described.
    std::vector<std::string> frames() const
    {
        std::vector<std::string> described;
        for (const auto& entry : driver->log())
            if (!entry.frame.empty())
                described.push_back(describe(entry.frame));
        return described;
    }

    // Frames sent from now on, after the loop has run for `quiet`.
    std::vector<std::string> framesAfter(std::chrono::milliseconds quiet = 40ms)
    {
        testing_loop::pumpFor(quiet);
        return frames();
    }

    void clear() { driver->clearLog(); }

    // The volume word of (function block, audio channel) as the unit holds it.
    std::uint16_t volume(int block, int channel) const { return driver->unit(0).volume.at(block)[channel]; }
    std::uint16_t balance(int block, int channel) const { return driver->unit(0).balance.at(block)[channel]; }

    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend backend{driver};
    std::unique_ptr<MixerCommands> commands;
};

// A control shown in a window of its own, so that the pointer can be put on it.
class OnScreen
{
public:
    // `content` must have its size already.
    explicit OnScreen(juce::Component& content)
    {
        EXPECT_FALSE(content.getBounds().isEmpty());
        host.setSize(content.getRight() + 10, content.getBottom() + 10);
        host.addAndMakeVisible(content);
        host.addToDesktop(juce::ComponentPeer::windowIsTemporary);
        host.setVisible(true);
    }

    ~OnScreen() { host.removeFromDesktop(); }

    // Moves the pointer (no button held) to the centre of `target`.
    void moveOver(juce::Component& target) { send(centreOf(target), {}); }

    // A press of the left button on `target`, optionally released again.
    void press(juce::Component& target, bool release = true)
    {
        const auto at = centreOf(target);
        send(at, {});
        send(at, juce::ModifierKeys::leftButtonModifier);
        if (release)
            send(at, {});
    }

    void releaseAt(juce::Component& target) { send(centreOf(target), {}); }

private:
    juce::Point<float> centreOf(juce::Component& target)
    {
        return host.getLocalArea(&target, target.getLocalBounds()).getCentre().toFloat();
    }

    void send(juce::Point<float> at, juce::ModifierKeys buttons)
    {
        auto* peer = host.getPeer();
        ASSERT_NE(peer, nullptr);
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at, buttons,
                               buttons.isAnyMouseButtonDown() ? 1.0f : 0.0f, 0.0f, juce::Time::currentTimeMillis());
        testing_loop::dispatchPending();
    }

    juce::Component host;
};

} // namespace devicetest
