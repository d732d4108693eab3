// Mute and solo switches: what reaches the unit, and when.
#include "DeviceTestSupport.h"
#include "MuteSwitch.h"
#include "SoloSwitch.h"

#include <gtest/gtest.h>

using namespace devicetest;

namespace {

class SwitchesTest : public DeviceTest
{
};

TEST_F(SwitchesTest, MuteActsOnThePressAndUnmuteRestoresTheLastLevel)
{
    struct Case
    {
        int muteIndex;
        int channelIndex, audioChannel; // where its level comes from
        const char* target;
    };
    const Case cases[] = {{0, 0, 1, "FB 5 ch 1"},
                          {1, 0, 2, "FB 5 ch 2"},
                          {3, 1, 2, "FB 6 ch 2"},
                          {4, 2, 1, "FB 7 ch 1"},
                          {6, 4, 0, "FB 9 ch 0"}};

    for (const auto& c : cases) {
        MuteSwitch mute;
        mute.setChannel(c.muteIndex);
        mute.setSize(mute.getImageWidth(), mute.getImageHeight());
        commands->setVolume(c.channelIndex, c.audioChannel, 200);
        clear();

        OnScreen screen(mute);
        screen.press(mute.button, false);
        EXPECT_TRUE(mute.isOn()) << "on the press";
        EXPECT_EQ(framesAfter(), std::vector<std::string>{std::string(c.target) + " vol 8000"});
        clear();
        screen.releaseAt(mute.button);
        EXPECT_TRUE(framesAfter().empty()) << "nothing on the release";

        screen.press(mute.button);
        EXPECT_FALSE(mute.isOn());
        EXPECT_EQ(framesAfter(), std::vector<std::string>{std::string(c.target) + " vol E400"}) << c.muteIndex;
    }
}

TEST_F(SwitchesTest, MuteSendsOncePerChangeWithTheStateWhenHandled)
{
    MuteSwitch mute;
    mute.setChannel(2);
    commands->setVolume(1, 1, 100);
    clear();

    mute.setOn();
    mute.setOff();
    EXPECT_TRUE(frames().empty()) << "the messages are posted";
    EXPECT_EQ(framesAfter(), (std::vector<std::string>{"FB 6 ch 1 vol B200", "FB 6 ch 1 vol B200"}))
        << "two changes, both handled once the switch is off again";

    clear();
    mute.setOn();
    framesAfter();
    clear();
    mute.setOn();
    EXPECT_TRUE(framesAfter().empty()) << "setting the state it has sends nothing";
}

TEST_F(SwitchesTest, SoloOnlyChangesItsOwnButton)
{
    SoloSwitch solo;
    EXPECT_EQ(solo.getImageWidth(), 38);
    EXPECT_EQ(solo.getImageHeight(), 30);
    solo.setSize(38, 30);
    EXPECT_EQ(solo.button.getName(), "Solo");
    EXPECT_EQ(solo.button.getBounds(), juce::Rectangle<int>(0, 0, 38, 30));

    OnScreen screen(solo);
    screen.press(solo.button, false);
    EXPECT_TRUE(solo.isOn());
    screen.releaseAt(solo.button);
    EXPECT_TRUE(framesAfter().empty());
    solo.setOff();
    EXPECT_FALSE(solo.isOn());
}

} // namespace
