// The mixer panel built on a simulated unit: every control at its place, in
// the order the panel creates them, and what the unit holds once they have
// sent their start-up commands.
#include "MessageLoop.h"
#include "MixerPanel.h"

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
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend backend{driver};
    std::unique_ptr<MixerPanel> panel = std::make_unique<MixerPanel>(72);
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

} // namespace
