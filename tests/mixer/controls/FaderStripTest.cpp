// Channel strips through the simulated unit: what each fader and pan position
// sends, what the read-out shows, and the playback strip's pan curve.
#include "DeviceTestSupport.h"
#include "FaderStrip.h"
#include "LabelColours.h"

#include <gtest/gtest.h>

using namespace devicetest;

namespace {

class FaderStripTest : public DeviceTest
{
protected:
    // A strip as the mixer builds it, once its start-up commands have gone out.
    std::unique_ptr<FaderStrip> settledStrip(int channelIndex, int audioChannel)
    {
        auto strip = std::make_unique<FaderStrip>(channelIndex, audioChannel);
        strip->setBounds(0, 0, 72, FaderStrip::stripHeight);
        if (audioChannel == 0)
            strip->setPanValue(FaderStrip::playbackPanCentre);
        framesAfter();
        clear();
        return strip;
    }

    static juce::Colour textColour(juce::Label& label) { return label.findColour(juce::Label::textColourId); }
};

TEST_F(FaderStripTest, ANewPairStripSendsFullLevelAndCentredBalance)
{
    FaderStrip strip(1, 2);
    EXPECT_EQ(strip.getReadout().getText(), "0 db");
    EXPECT_EQ(strip.getReadout().getName(), "InfoBox");
    EXPECT_TRUE(frames().empty()) << "everything waits for the loop and the 10 ms pause";

    const auto sent = framesAfter();
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_NE(std::find(sent.begin(), sent.end(), "FB 6 ch 2 vol FF00"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "FB 6 ch 2 bal 0000"), sent.end());
    EXPECT_EQ(strip.getFader().getBounds(), juce::Rectangle<int>(25, 21, 22, 170));
    EXPECT_EQ(strip.getPanner().getBounds(), juce::Rectangle<int>(8, 5, 60, 22));
    EXPECT_EQ(strip.getReadout().getBounds(), juce::Rectangle<int>(8, 194, 60, 15));
}

TEST_F(FaderStripTest, FaderLevelsAreSentAndReadOut)
{
    struct Case
    {
        double level;
        const char* frame;
        const char* readout;
    };
    const Case cases[] = {{255, "FB 5 ch 1 vol FF00", "0 db"},   {254, "FB 5 ch 1 vol FF00", "0 db"},
                          {253, "FB 5 ch 1 vol FE00", "-1 db"},  {135, "FB 5 ch 1 vol C300", "-60 db"},
                          {134, "FB 5 ch 1 vol C300", "-60 db"}, {133, "FB 5 ch 1 vol C200", "INF"},
                          {128, "FB 5 ch 1 vol C000", "INF"},    {0, "FB 5 ch 1 vol 8000", "INF"}};

    auto strip = settledStrip(0, 1);
    strip->setFaderValue(10); // so that 255 is a change
    for (const auto& c : cases) {
        framesAfter();
        clear();
        strip->setFaderValue(c.level);
        EXPECT_EQ(strip->getReadout().getText(), c.readout) << c.level;
        EXPECT_EQ(textColour(strip->getReadout()), LabelColours::levelReadout.text);
        EXPECT_EQ(frames().size(), 0u) << "deferred by 10 ms";
        EXPECT_EQ(framesAfter(), std::vector<std::string>{c.frame}) << c.level;
    }
}

TEST_F(FaderStripTest, PairPansAreSentAsBalance)
{
    struct Case
    {
        double pan;
        const char* frame;
    };
    const Case cases[] = {{0, "FB 7 ch 2 bal 7FFE"},
                          {127, "FB 7 ch 2 bal 0000"},
                          {128, "FB 7 ch 2 bal FF00"},
                          {255, "FB 7 ch 2 bal 8000"}};

    auto strip = settledStrip(2, 2);
    for (const auto& c : cases) {
        strip->setPanValue(c.pan);
        EXPECT_EQ(framesAfter(), std::vector<std::string>{c.frame}) << c.pan;
        clear();
        EXPECT_EQ(strip->getReadout().getText(), "0 db") << "the pointer is not on the pan control";
    }
}

TEST_F(FaderStripTest, APanMovedUnderThePointerIsReadOutForTwoSeconds)
{
    struct Case
    {
        int audioChannel;
        double pan;
        const char* readout; // null: the text stays as it was
    };
    const Case cases[] = {{1, 0, "100 L"}, {1, 126, "0 L"},   {1, 127, "C"},    {1, 128, nullptr},
                          {1, 129, "0 R"}, {1, 255, "100 R"}, {0, 0, "100 L"},  {0, 254, "0 L"},
                          {0, 255, "C"},   {0, 256, "0 R"},   {0, 510, "100 R"}};

    for (const auto& c : cases) {
        auto strip = settledStrip(c.audioChannel == 0 ? 4 : 0, c.audioChannel);
        OnScreen screen(*strip);
        screen.moveOver(strip->getPanner());
        strip->setPanValue(c.pan == 0 ? 1 : 0); // a move away first, with a known text
        const auto before = strip->getReadout().getText();
        strip->setPanValue(c.pan);
        EXPECT_EQ(strip->getReadout().getText(), c.readout != nullptr ? juce::String(c.readout) : before)
            << c.audioChannel << " at " << c.pan;
        EXPECT_EQ(textColour(strip->getReadout()), LabelColours::panReadout.text);
    }

    auto strip = settledStrip(0, 1);
    OnScreen screen(*strip);
    screen.moveOver(strip->getPanner());
    strip->setPanValue(30);
    strip->setFaderValue(200);
    EXPECT_EQ(strip->getReadout().getText(), "-27 db") << "a fader move shows the level at once";
    strip->setPanValue(40);
    EXPECT_TRUE(strip->getReadout().isShowingPan());
    testing_loop::pumpFor(1500ms);
    EXPECT_EQ(strip->getReadout().getText(), "68 L") << "still within two seconds";
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return strip->getReadout().getText() == "-27 db"; }, 2s));
    EXPECT_EQ(textColour(strip->getReadout()), LabelColours::levelReadout.text);
}

TEST_F(FaderStripTest, DoubleClickOnThePanCentresAtOnce)
{
    auto strip = settledStrip(0, 1);
    strip->setPanValue(20);
    framesAfter();
    clear();
    OnScreen screen(*strip);
    screen.moveOver(strip->getPanner());
    auto& pan = strip->getPanner().getSlider();
    pan.mouseDoubleClick(juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), {30.0f, 10.0f}, {}, 0.0f,
                                          0.0f, 0.0f, 0.0f, 0.0f, &pan, &pan, juce::Time::getCurrentTime(),
                                          {30.0f, 10.0f}, juce::Time::getCurrentTime(), 2, false));
    EXPECT_EQ(strip->getPanValue(), 127.0);
    EXPECT_EQ(strip->getReadout().getText(), "C");
    EXPECT_EQ(framesAfter(), std::vector<std::string>{"FB 5 ch 1 bal 0000"});
}

TEST_F(FaderStripTest, PlaybackPanHoldsOneSideOnACubicCurve)
{
    auto strip = settledStrip(4, 0);
    EXPECT_EQ(strip->getPanner().getSlider().getMaximum(), 510.0);

    strip->setPanValue(200);
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(framesAfter(), std::vector<std::string>{"FB 9 ch 1 vol FE00"}) << "curve(200) = 252.44";
    clear();

    strip->setPanValue(300);
    EXPECT_EQ(frames(), std::vector<std::string>{"FB 9 ch 1 vol FF00"}) << "channel 1 back to full at once";
    EXPECT_EQ(framesAfter(), (std::vector<std::string>{"FB 9 ch 1 vol FF00", "FB 9 ch 2 vol FE00"}))
        << "then curve(210) = 253.6 on channel 2";
    clear();

    strip->setPanValue(64);
    EXPECT_EQ(framesAfter(), (std::vector<std::string>{"FB 9 ch 2 vol FF00", "FB 9 ch 1 vol C900"}))
        << "curve(64) = 147.8";
    clear();

    strip->setPanValue(255);
    EXPECT_EQ(frames(), (std::vector<std::string>{"FB 9 ch 2 vol FF00", "FB 9 ch 1 vol FF00"}));
    EXPECT_EQ(framesAfter(), frames()) << "the centre sends nothing deferred";
    clear();

    strip->setPanValue(0);
    strip->setFaderValue(100);
    EXPECT_EQ(framesAfter(), (std::vector<std::string>{"FB 9 ch 1 vol 8000", "FB 9 ch 0 vol B200"}));
}

// One deferred sender per strip used to hold one pending command, so the last
// value of one target could be lost to another or arrive after a newer one.
TEST_F(FaderStripTest, NoTargetOfThePlaybackStripLosesItsLastValue)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<char, double>> moves; // 'f'ader or 'p'an, in one go
        std::uint16_t master, left, right;          // the unit afterwards
    };
    const Case cases[] = {
        {"fader then pan", {{'f', 100}, {'p', 64}}, 0xB200, 0xC900, 0xFF00},
        {"pan then fader, as a mix loads", {{'p', 446}, {'f', 228}}, 0xF200, 0xFF00, 0xC900},
        {"pan snapped back to the centre", {{'p', 200}, {'p', 255}}, 0xFF00, 0xFF00, 0xFF00},
        {"pan crossing and snapped back", {{'p', 200}, {'p', 300}, {'p', 255}}, 0xFF00, 0xFF00, 0xFF00},
    };

    for (const auto& c : cases) {
        auto strip = settledStrip(4, 0);
        for (const auto& [control, value] : c.moves)
            control == 'f' ? strip->setFaderValue(value) : strip->setPanValue(value);
        framesAfter();
        EXPECT_EQ(volume(9, 0), c.master) << c.what;
        EXPECT_EQ(volume(9, 1), c.left) << c.what;
        EXPECT_EQ(volume(9, 2), c.right) << c.what;
    }
}

TEST_F(FaderStripTest, TheCentredPlaybackStripEndsAtFullLevelOnBothSides)
{
    // Built with its pan at 127 of 0..255, then centred by its owner at once.
    FaderStrip strip(4, 0);
    strip.setPanValue(FaderStrip::playbackPanCentre);
    const auto sent = framesAfter();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "FB 9 ch 0 vol FF00");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "FB 9 ch 1 vol EF00"), 0) << "the stale curve(127) is dropped";
    EXPECT_EQ(volume(9, 1), 0xFF00);
    EXPECT_EQ(volume(9, 2), 0xFF00);
}

} // namespace
