// The mixer follows the unit as it is plugged in and out: the window keeps the
// mix while no unit is there, and a unit that arrives is given the whole mix.
#include "MessageLoop.h"
#include "MixerPanel.h"
#include "MixerTestFolder.h"

#include <SimDriver.h>
#include <win32/StandIn.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// What a unit holds of the mixer: levels and balances of blocks 5 to 9, the selectors.
std::string mixerValues(const sim::UnitState& unit)
{
    std::string text;
    for (int block = 5; block <= 9; ++block)
        for (int channel = 0; channel < 3; ++channel)
            text += std::to_string(unit.volume.at(block)[static_cast<size_t>(channel)]) + "/" +
                    std::to_string(unit.balance.at(block)[static_cast<size_t>(channel)]) + " ";
    for (const auto& [block, plug] : unit.selector)
        text += "S" + std::to_string(block) + "=" + std::to_string(plug) + " ";
    return text;
}

class MixerFollowsUnitTest : public ::testing::Test
{
protected:
    // A mix unlike the unit's power-on state in every kind of control.
    static void arrange(MixerPanel& panel, int fader)
    {
        panel.getPair(0).setLeftFader(fader);
        panel.getPair(1).setRightPan(30);
        panel.getMuteSwitch(2).setOn();
        panel.getMuteSwitch(6).setOn();
        panel.getPlaybackStrip().setPanValue(400);
        panel.getOutputSection().setOutputLevel(120);
        panel.getOutputSection().setOutputPan(100);
        panel.getOutputSection().setOutputChoice(2);
        panel.getOutputSection().setHeadphoneChoice(3);
        panel.getPlaybackRoute().setChoice(1);
        testing_loop::pumpFor(60ms);
    }

    std::size_t framesSent(const sim::SimDriver& on) const
    {
        std::size_t frames = 0;
        for (const auto& entry : on.log())
            frames += entry.code == 0x80883004;
        return frames;
    }

    MixerTestFolder folder;
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(0);
    win32::ScopedDriverBackend backend{driver};
};

TEST_F(MixerFollowsUnitTest, AUnitPluggedInLaterIsGivenTheWholeMixAndAgainAfterARePlug)
{
    // What a unit there from the start holds after the same moves.
    std::string expected;
    {
        auto present = std::make_shared<sim::SimDriver>(1);
        win32::ScopedDriverBackend scoped{present};
        auto reference = std::make_unique<MixerPanel>(72, folder.program());
        testing_loop::pumpFor(60ms);
        arrange(*reference, 90);
        expected = mixerValues(present->unit(0));
    }
    folder.stateFile().deleteFile();

    auto panel = std::make_unique<MixerPanel>(72, folder.program());
    testing_loop::pumpFor(60ms);
    arrange(*panel, 90);

    ASSERT_TRUE(driver->plug());
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return mixerValues(driver->unit(0)) == expected; }, 2s))
        << mixerValues(driver->unit(0)) << "\nexpected " << expected;

    // Gone: the window keeps its mix and nothing is sent; back: it holds the new position.
    ASSERT_TRUE(driver->unplug());
    testing_loop::pumpFor(60ms);
    const auto sentBefore = framesSent(*driver);
    panel->getPair(0).setLeftFader(200);
    testing_loop::pumpFor(60ms);
    EXPECT_EQ(framesSent(*driver), sentBefore) << "nothing is sent while no unit is there";
    EXPECT_EQ(panel->getPair(0).getLeftFader(), 200);

    ASSERT_TRUE(driver->plug());
    EXPECT_TRUE(testing_loop::pumpUntil(
        [&] { return driver->unitCount() == 1 && driver->unit(0).volume.at(5)[1] == (((200 >> 1) - 128) & 0xFF) << 8; },
        2s));
    EXPECT_EQ(driver->unit(0).volume.at(6)[1], 0x8000) << "Line 3 still muted";
}

TEST_F(MixerFollowsUnitTest, ASecondUnitOrTheRemovalOfAnotherOneSendsNothing)
{
    ASSERT_TRUE(driver->plug());
    auto panel = std::make_unique<MixerPanel>(72, folder.program());
    testing_loop::pumpFor(60ms);
    arrange(*panel, 90);
    const auto first = mixerValues(driver->unit(0));
    const auto sent = framesSent(*driver);

    ASSERT_TRUE(driver->plug());
    testing_loop::pumpFor(100ms);
    EXPECT_EQ(framesSent(*driver), sent) << "the connected unit is not sent its mix again";
    ASSERT_TRUE(driver->unplug());
    testing_loop::pumpFor(100ms);
    EXPECT_EQ(framesSent(*driver), sent);

    panel->getPair(0).setLeftFader(60);
    testing_loop::pumpFor(60ms);
    EXPECT_EQ(driver->unit(0).volume.at(5)[1], (((60 >> 1) - 128) & 0xFF) << 8) << "still connected to the first";
    EXPECT_NE(mixerValues(driver->unit(0)), first);
}

} // namespace
