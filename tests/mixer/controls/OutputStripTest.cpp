// The main output's strip: its level, its pan by held side levels, and the
// read-out.
#include "DeviceTestSupport.h"
#include "LabelColours.h"
#include "OutputStrip.h"

#include <gtest/gtest.h>

using namespace devicetest;

namespace {

class OutputStripTest : public DeviceTest
{
protected:
    std::unique_ptr<OutputStrip> settledStrip()
    {
        auto strip = std::make_unique<OutputStrip>(3, 0);
        strip->setBounds(0, 0, 72, 210);
        framesAfter();
        clear();
        return strip;
    }
};

TEST_F(OutputStripTest, StartsCentredWithoutTouchingTheLevel)
{
    OutputStrip strip(3, 0);
    EXPECT_EQ(frames(), (std::vector<std::string>{"FB 8 ch 2 vol FF00", "FB 8 ch 1 vol FF00"})) << "at once";
    EXPECT_EQ(framesAfter(), frames()) << "the fader was at full level before anyone listened";
    EXPECT_EQ(strip.getReadout().getText(), "0 db");
    EXPECT_EQ(strip.getFader().getBounds(), juce::Rectangle<int>(24, 24, 22, 170));
    EXPECT_EQ(strip.getPanner().getBounds(), juce::Rectangle<int>(3, 5, 60, 22));
    EXPECT_EQ(strip.getReadout().getBounds(), juce::Rectangle<int>(3, 194, 60, 15));
}

TEST_F(OutputStripTest, PanHoldsOneSideOnAFourthPowerCurve)
{
    struct Case
    {
        double pan;
        std::vector<std::string> frames;
    };
    const Case cases[] = {
        {0, {"FB 8 ch 1 vol 8000"}},
        {64, {"FB 8 ch 1 vol D700"}},  // 174
        {127, {"FB 8 ch 1 vol F700"}}, // 238
        {200, {"FB 8 ch 1 vol FF00"}}, // 254
        {254, {"FB 8 ch 1 vol FF00"}}, // 254, never 255 off the centre
        {446, {"FB 8 ch 1 vol FF00", "FB 8 ch 2 vol D700"}},
        {510, {"FB 8 ch 1 vol FF00", "FB 8 ch 2 vol 8000"}},
    };
    for (const auto& c : cases) {
        auto strip = settledStrip();
        strip->setPanValue(c.pan);
        EXPECT_EQ(framesAfter(), c.frames) << c.pan;
    }
}

TEST_F(OutputStripTest, CrossingAndCentringRestoreTheOtherSideAtOnce)
{
    auto strip = settledStrip();
    strip->setPanValue(100);
    framesAfter();
    clear();

    strip->setPanValue(400);
    testing_loop::dispatchPending();
    EXPECT_EQ(frames(), std::vector<std::string>{"FB 8 ch 1 vol FF00"});
    EXPECT_EQ(framesAfter(), (std::vector<std::string>{"FB 8 ch 1 vol FF00", "FB 8 ch 2 vol F200"}));
    EXPECT_TRUE(strip->isRightSideHeld());
    clear();

    strip->setPanValue(255);
    testing_loop::dispatchPending();
    EXPECT_EQ(frames(), (std::vector<std::string>{"FB 8 ch 2 vol FF00", "FB 8 ch 1 vol FF00"}));
    EXPECT_EQ(framesAfter(), frames()) << "nothing deferred";
}

// The fader and the pan shared one pending command: whichever came second
// within 10 ms was the only one sent.
TEST_F(OutputStripTest, LevelAndPanSetTogetherBothReachTheUnit)
{
    struct Case
    {
        const char* what;
        bool panFirst;
        double pan, level;
        std::uint16_t master, left, right;
    };
    const Case cases[] = {
        {"pan then level, as a mix loads", true, 100, 200, 0xE400, 0xEE00, 0xFF00},
        {"level then pan", false, 400, 150, 0xCB00, 0xFF00, 0xF200},
    };
    for (const auto& c : cases) {
        auto strip = settledStrip();
        if (c.panFirst)
            strip->setPanValue(c.pan);
        strip->setFaderValue(c.level);
        if (!c.panFirst)
            strip->setPanValue(c.pan);
        framesAfter();
        EXPECT_EQ(volume(8, 0), c.master) << c.what;
        EXPECT_EQ(volume(8, 1), c.left) << c.what;
        EXPECT_EQ(volume(8, 2), c.right) << c.what;
    }
}

TEST_F(OutputStripTest, ReadOutShowsTheLevelAndThePanUnderThePointer)
{
    auto strip = settledStrip();
    auto& readout = strip->getReadout();
    for (const auto& [level, text] : {std::pair<double, const char*>{134, "-60 db"}, {133, "INF"}, {254, "0 db"}}) {
        strip->setFaderValue(level);
        testing_loop::dispatchPending();
        EXPECT_EQ(readout.getText(), text) << level;
    }

    OnScreen screen(*strip);
    screen.moveOver(strip->getPanner());
    strip->setPanValue(0);
    testing_loop::dispatchPending();
    EXPECT_EQ(readout.getText(), "100 L");
    EXPECT_EQ(readout.findColour(juce::Label::textColourId), LabelColours::panReadout.text);

    strip->setFaderValue(200);
    testing_loop::dispatchPending();
    EXPECT_EQ(readout.getText(), "100 L") << "with the pointer on the pan, a level change shows the pan again";
    strip->setPanValue(510);
    testing_loop::dispatchPending();
    EXPECT_EQ(readout.getText(), "100 R");
}

} // namespace
