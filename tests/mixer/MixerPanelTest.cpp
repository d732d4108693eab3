// The mixer panel built on a simulated unit: every control at its place, in
// the order the panel creates them, what the unit holds once they have sent
// their start-up commands, and solo and the master indicators as the mute
// commands that reach the unit show them.
#include "MessageLoop.h"
#include "MixerPanel.h"
#include "MixerTestFolder.h"
#include "controls/DeviceTestSupport.h"

#include <Artwork.h>
#include <LabelColours.h>

#include <SimDriver.h>
#include <win32/StandIn.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;

class MixerPanelTest : public ::testing::Test
{
protected:
    MixerTestFolder folder;
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend backend{driver};
    std::unique_ptr<MixerPanel> panel = std::make_unique<MixerPanel>(72, folder.program());
};

TEST_F(MixerPanelTest, PlacesEveryControlInCreationOrder)
{
    struct Placed
    {
        juce::Component* control;
        juce::Rectangle<int> bounds;
    };
    std::vector<Placed> expected;
    for (int d = 0; d < 3; ++d)
        expected.push_back({&panel->getPair(d), {144 * d, 0, 144, 260}});
    for (int s = 0; s < 7; ++s) {
        expected.push_back({&panel->getMuteSwitch(s), {72 * s + 32, 212, 38, 30}});
        expected.push_back({&panel->getSoloSwitch(s), {72 * s + 2, 212, 38, 30}});
        expected.push_back({&panel->getChannelLabel(s), {72 * s + 7, 264, 61, 15}});
    }
    expected.push_back({&panel->getPlaybackStrip(), {432, 0, 72, 210}});
    expected.push_back({&panel->getPlaybackRoute(), {439, 299, 100, 150}});
    expected.push_back({&panel->getOutputSection(), {511, 0, 120, 440}});
    expected.push_back({&panel->getMasterSolo(), {509, 212, 38, 30}});
    expected.push_back({&panel->getMasterMute(), {538, 212, 38, 30}});
    expected.push_back({&panel->getAboutButton(), {3, 286, 432, 129}});
    expected.push_back({&panel->getLoadButton(), {583, 383, 49, 22}});
    expected.push_back({&panel->getSaveButton(), {583, 350, 49, 22}});

    int lastIndex = -1;
    for (const auto& placed : expected) {
        const int index = panel->getIndexOfChildComponent(placed.control);
        EXPECT_GT(index, lastIndex) << placed.control->getName() << " is created in order, later ones on top";
        lastIndex = index;
        EXPECT_EQ(placed.control->getBounds(), placed.bounds) << placed.control->getName();
        EXPECT_TRUE(placed.control->isVisible()) << placed.control->getName();
    }
    EXPECT_EQ(panel->getNumChildComponents(), static_cast<int>(expected.size())) << "the About box is not shown yet";

    EXPECT_EQ(panel->getOutputSection().getName(), "outswitch");
    EXPECT_EQ(panel->getMasterSolo().getName(), "MasterSolo");
    EXPECT_EQ(panel->getMasterMute().getName(), "MasterMute");
    EXPECT_EQ(panel->getAboutButton().getName(), "AboutButton");
    EXPECT_EQ(panel->getLoadButton().getName(), "LoadB");
    EXPECT_FALSE(panel->getLoadButton().isOpaque());
    EXPECT_EQ(panel->getSaveButton().getName(), "SaveB");
    EXPECT_EQ(panel->getAboutButton().getNormalImage().getPixelData(), Artwork::get("about_logo.png").getPixelData());
    EXPECT_EQ(panel->getSaveButton().getDownImage().getPixelData(), Artwork::get("save_down.png").getPixelData());
    EXPECT_TRUE(panel->getMasterMute().getTriggeredOnMouseDown());
}

TEST_F(MixerPanelTest, NamesTheChannelStrips)
{
    const char* names[] = {"Mic 1", "Mic 2", "Line 3", "Line 4", "Spdif L", "Spdif R", "Software"};
    for (int s = 0; s < 7; ++s) {
        auto& label = panel->getChannelLabel(s);
        EXPECT_EQ(label.getName(), "TRKLabel");
        EXPECT_EQ(label.getText(), names[s]);
        EXPECT_EQ(label.getJustificationType().getFlags(), s < 6 ? 33 : 36) << names[s];
        EXPECT_EQ(label.findColour(juce::Label::textColourId), LabelColours::namePlate.text);
        EXPECT_EQ(label.findColour(juce::Label::backgroundWhenEditingColourId), juce::Colour(0xff000000u));
        EXPECT_EQ(panel->getMuteSwitch(s).getChannel(), s);
    }
}

TEST_F(MixerPanelTest, LeavesTheUnitAsTheControlsShowIt)
{
    testing_loop::pumpFor(60ms);
    const auto unit = driver->unit(0);
    for (int block = 5; block <= 7; ++block) {
        EXPECT_EQ(unit.balance.at(block)[1], 0x0000) << "pair pans centred, after the start-up balance 128";
        EXPECT_EQ(unit.balance.at(block)[2], 0x0000);
        EXPECT_EQ(unit.volume.at(block)[1], 0xFF00);
    }
    EXPECT_EQ(panel->getPlaybackStrip().getPanValue(), 255.0);
    EXPECT_EQ(unit.volume.at(9)[0], 0xFF00);
    EXPECT_EQ(unit.volume.at(9)[1], 0xFF00);
    EXPECT_EQ(unit.volume.at(9)[2], 0xFF00);
    EXPECT_EQ(unit.selector.at(4), 0) << "headphones from 1/2";
    EXPECT_EQ(unit.selector.at(6), 0) << "playback to 1/2";
    EXPECT_EQ(panel->getOutputSection().getOutLabel().getText(), "Mix Off");
}

// Where each strip's mute lands on the unit: (function block, audio channel).
const std::pair<int, int> muteTargets[] = {{5, 1}, {5, 2}, {6, 1}, {6, 2}, {7, 1}, {7, 2}, {9, 0}};

TEST_F(MixerPanelTest, SoloAndTheMasterIndicatorsReachTheUnitAsMutes)
{
    // Each step is a press: "M2" mute of strip 2, "S2" its solo, "MS" and "MM"
    // the master buttons. After it: the strips the unit has muted, the solo
    // switches that are on, and whether "MasterSolo" and "MasterMute" are lit.
    struct Step
    {
        const char* press;
        const char* unitMuted;
        const char* solos;
        bool soloLit, muteLit;
    };
    struct Scenario
    {
        const char* what;
        std::vector<Step> steps;
    };
    const Scenario scenarios[] = {
        {"two mutes, then a solo, then releasing it",
         {{"M0", "M------", "-------", false, true},
          {"M1", "MM-----", "-------", false, true},
          {"S2", "MM-MMMM", "--S----", true, true},
          {"S2", "MM-----", "-------", false, true}}},
        {"MasterSolo dark, then lit",
         {{"MS", "-------", "-------", false, false},
          {"M3", "---M---", "-------", false, true},
          {"S0", "-MMMMMM", "S------", true, true},
          {"S1", "--MMMMM", "SS-----", true, true},
          {"MS", "---M---", "-------", false, true}}},
        {"MasterMute lit, dark, and lit during a solo",
         {{"M0", "M------", "-------", false, true},
          {"M4", "M---M--", "-------", false, true},
          {"MM", "-------", "-------", false, false},
          {"MM", "-------", "-------", false, false},
          {"S5", "MMMMM-M", "-----S-", true, true},
          {"MM", "MMMMM-M", "-----S-", true, true}}},
        {"a mute pressed during a solo moves the solos",
         {{"S2", "MM-MMMM", "--S----", true, true},
          {"S3", "MM--MMM", "--SS---", true, true},
          {"M4", "MM---MM", "--SSS--", true, true},
          {"M2", "MMM--MM", "---SS--", true, true}}},
    };

    panel->setBounds(0, 0, 641, 450);
    devicetest::OnScreen screen(*panel);
    auto unitMuted = [&] {
        std::string muted;
        for (const auto& [block, channel] : muteTargets)
            muted += driver->unit(0).volume.at(block)[channel] == 0x8000 ? 'M' : '-';
        return muted;
    };
    auto solosOn = [&] {
        std::string on;
        for (int s = 0; s < 7; ++s)
            on += panel->getSoloSwitch(s).isOn() ? 'S' : '-';
        return on;
    };
    auto buttonFor = [&](const std::string& press) -> juce::Component& {
        if (press == "MS")
            return panel->getMasterSolo();
        if (press == "MM")
            return panel->getMasterMute();
        const int strip = press[1] - '0';
        return press[0] == 'M' ? static_cast<juce::Component&>(panel->getMuteSwitch(strip).button)
                               : panel->getSoloSwitch(strip).button;
    };

    for (const auto& scenario : scenarios) {
        // Clear the last scenario's solos, then its mutes, as a user would.
        for (auto* master : {&panel->getMasterSolo(), &panel->getMasterMute()})
            if (master->getToggleState()) {
                screen.press(*master);
                testing_loop::pumpFor(60ms);
            }
        ASSERT_EQ(unitMuted(), "-------") << scenario.what;
        ASSERT_EQ(solosOn(), "-------") << scenario.what;
        for (const auto& step : scenario.steps) {
            screen.press(buttonFor(step.press));
            testing_loop::pumpFor(60ms);
            const std::string where = std::string(scenario.what) + ", after " + step.press;
            EXPECT_EQ(unitMuted(), step.unitMuted) << where;
            EXPECT_EQ(solosOn(), step.solos) << where;
            EXPECT_EQ(panel->getMasterSolo().getToggleState(), step.soloLit) << where;
            EXPECT_EQ(panel->getMasterMute().getToggleState(), step.muteLit) << where;
        }
    }
}

TEST_F(MixerPanelTest, AQuickClickOnTheLitMasterMuteClearsTheMutes)
{
    // The release may be handled before the indicator's message: the press counts.
    panel->getMuteSwitch(3).setOn();
    testing_loop::pumpFor(60ms);
    ASSERT_TRUE(panel->getMasterMute().getToggleState());
    panel->setBounds(0, 0, 641, 450);
    devicetest::OnScreen screen(*panel);
    auto* peer = panel->getPeer();
    ASSERT_NE(peer, nullptr);
    const auto at =
        panel->getLocalArea(&panel->getMasterMute(), panel->getMasterMute().getLocalBounds()).getCentre().toFloat();
    const auto now = juce::Time::currentTimeMillis();
    peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at, juce::ModifierKeys::leftButtonModifier,
                           1.0f, 0.0f, now);
    peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at, {}, 0.0f, 0.0f, now + 1);
    testing_loop::pumpFor(60ms);
    EXPECT_FALSE(panel->getMuteSwitch(3).isOn());
    EXPECT_FALSE(panel->getMasterMute().getToggleState());
    EXPECT_EQ(driver->unit(0).volume.at(6)[2], 0xFF00) << "Line 4 back at its level";
}

} // namespace
