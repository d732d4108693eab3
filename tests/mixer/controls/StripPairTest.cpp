// Input pairs with Link: the follower, its end, and the pan preset.
#include "DeviceTestSupport.h"
#include "StripPair.h"

#include <gtest/gtest.h>

using namespace devicetest;

namespace {

class StripPairTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        pair = std::make_unique<StripPair>(72, 1);
        pair->setBounds(0, 0, 144, StripPair::pairHeight);
        framesAfter();
        clear();
    }

    void TearDown() override
    {
        pair.reset();
        DeviceTest::TearDown();
    }

    std::vector<double> faders() const { return {pair->getLeftFader(), pair->getRightFader()}; }
    std::vector<double> pans() const { return {pair->getLeftPan(), pair->getRightPan()}; }

    std::unique_ptr<StripPair> pair;
};

TEST_F(StripPairTest, IsLaidOutWithLinkUnderTheSeam)
{
    EXPECT_EQ(pair->getLeftStrip().getBounds(), juce::Rectangle<int>(0, 0, 72, 210));
    EXPECT_EQ(pair->getRightStrip().getBounds(), juce::Rectangle<int>(72, 0, 72, 210));
    EXPECT_EQ(pair->getLinkButton().getBounds(), juce::Rectangle<int>(56, 240, 33, 18));
    EXPECT_EQ(pair->getLinkButton().getName(), "Link");
    EXPECT_FALSE(pair->getLink());
}

TEST_F(StripPairTest, WithLinkOnTheOtherFaderFollowsAboutTenMillisecondsLater)
{
    pair->setLink(true);
    pair->setLeftFader(200);
    EXPECT_EQ(faders(), (std::vector<double>{200, 255}));
    testing_loop::pumpFor(5ms);
    EXPECT_EQ(pair->getRightFader(), 255) << "not before the pause";

    const auto sent = framesAfter();
    EXPECT_EQ(faders(), (std::vector<double>{200, 200}));
    EXPECT_EQ(sent, (std::vector<std::string>{"FB 6 ch 1 vol E400", "FB 6 ch 2 vol E400"}));
    EXPECT_FALSE(pair->isFollowing()) << "the follower stops once the faders agree";

    clear();
    pair->setRightFader(180);
    EXPECT_EQ(framesAfter(), (std::vector<std::string>{"FB 6 ch 2 vol DA00", "FB 6 ch 1 vol DA00"}));
    EXPECT_EQ(pans(), (std::vector<double>{127, 127})) << "pans are never mirrored";
}

// The follower used to tick on for the pair's life, so switching Link off and
// on again copied the fader that had changed last while linked over the one
// moved since.
TEST_F(StripPairTest, SwitchingLinkOnDoesNotEqualiseTheFaders)
{
    pair->setLeftFader(100);
    framesAfter();
    EXPECT_EQ(faders(), (std::vector<double>{100, 255})) << "without Link nothing follows";
    pair->setLink(true);
    framesAfter();
    EXPECT_EQ(faders(), (std::vector<double>{100, 255}));

    pair->setLeftFader(200);
    framesAfter();
    ASSERT_EQ(faders(), (std::vector<double>{200, 200}));
    pair->setLink(false);
    testing_loop::dispatchPending();
    pair->setLeftFader(90);
    framesAfter();
    pair->setLink(true);
    framesAfter();
    EXPECT_EQ(faders(), (std::vector<double>{90, 200})) << "until one of them moves";
    EXPECT_FALSE(pair->isFollowing());
}

TEST_F(StripPairTest, RestoringAStoredPairCopiesTheRightFaderAndKeepsThePans)
{
    pair->setLink(true);
    pair->setLeftFader(100);
    pair->setRightFader(150);
    pair->setLeftPan(20);
    pair->setRightPan(30);
    framesAfter();
    EXPECT_EQ(faders(), (std::vector<double>{150, 150}));
    EXPECT_EQ(pans(), (std::vector<double>{20, 30}));
}

TEST_F(StripPairTest, OnlyAClickOnLinkPansTheStripsApart)
{
    OnScreen screen(*pair);
    auto& link = pair->getLinkButton();

    // Set by the program while the pointer rests on the button: no preset.
    screen.moveOver(link);
    pair->setLink(true);
    EXPECT_TRUE(framesAfter().empty());
    EXPECT_EQ(pans(), (std::vector<double>{127, 127}));
    pair->setLink(false);
    testing_loop::dispatchPending();

    screen.press(link);
    EXPECT_TRUE(pair->getLink());
    EXPECT_EQ(pans(), (std::vector<double>{0, 255}));
    const auto sent = framesAfter();
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_NE(std::find(sent.begin(), sent.end(), "FB 6 ch 1 bal 7FFE"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "FB 6 ch 2 bal 8000"), sent.end());
    EXPECT_EQ(pair->getLeftStrip().getReadout().getText(), "0 db") << "the pan controls are not under the pointer";
    EXPECT_EQ(pair->getRightStrip().getReadout().getText(), "0 db");

    clear();
    screen.press(link);
    EXPECT_FALSE(pair->getLink());
    EXPECT_TRUE(framesAfter().empty()) << "switching Link off changes nothing else";
    EXPECT_EQ(pans(), (std::vector<double>{0, 255}));
}

} // namespace
