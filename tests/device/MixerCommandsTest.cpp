#include "SimulatedDriver.h"

#include "MixerCommands.h"
#include "StatusCode.h"

namespace {

using Frames = std::vector<std::string>;

class MixerCommandsTest : public SimulatedDriverTest
{
protected:
    // The command object after its start-up, with the driver's log cleared.
    MixerCommands& started()
    {
        commands = std::make_unique<MixerCommands>();
        driver->clearLog();
        return *commands;
    }

    std::unique_ptr<MixerCommands> commands;
};

TEST_F(MixerCommandsTest, StartUpReadsNodesThenCentresTheSixInputs)
{
    MixerCommands mixer;
    EXPECT_EQ(sentFrames(), (Frames{
                                "00 08 B8 81 05 10 02 01 03 02 FF 00",
                                "00 08 B8 81 05 10 02 02 03 02 FF 00",
                                "00 08 B8 81 06 10 02 01 03 02 FF 00",
                                "00 08 B8 81 06 10 02 02 03 02 FF 00",
                                "00 08 B8 81 07 10 02 01 03 02 FF 00",
                                "00 08 B8 81 07 10 02 02 03 02 FF 00",
                            }));
    const auto log = driver->log();
    std::vector<DWORD> codes;
    for (const auto& entry : log)
        if (entry.code != 0)
            codes.push_back(entry.code);
    ASSERT_GE(codes.size(), 8u);
    EXPECT_EQ(codes[0], 0x80882040u);
    EXPECT_EQ(codes[1], 0x80882044u);
    EXPECT_EQ(codes[2], kAvcRequestCode);
}

TEST_F(NoUnitDriverTest, WithoutAUnitEveryCommandFailsAndNothingIsSent)
{
    MixerCommands mixer;
    EXPECT_FALSE(mixer.setVolume(0, 1, 255));
    EXPECT_FALSE(mixer.setBalance(0, 1, 128));
    EXPECT_FALSE(mixer.setMute(0, true));
    EXPECT_FALSE(mixer.setPlaybackRoute(0));
    EXPECT_FALSE(mixer.setOutputSource(1, true));
    EXPECT_FALSE(mixer.setHeadphoneSource(4));
    EXPECT_TRUE(sentFrames().empty());
}

struct EncodingCase
{
    int value;
    const char* controlData;
};

class LevelEncodingTest : public MixerCommandsTest, public ::testing::WithParamInterface<EncodingCase>
{
};

TEST_P(LevelEncodingTest, VolumeFrameCarriesTheLevel)
{
    ASSERT_TRUE(started().setVolume(0, 1, GetParam().value));
    EXPECT_EQ(sentFrames(), Frames{std::string("00 08 B8 81 05 10 02 01 02 02 ") + GetParam().controlData});
}

INSTANTIATE_TEST_SUITE_P(Levels, LevelEncodingTest,
                         ::testing::Values(EncodingCase{255, "FF 00"}, EncodingCase{254, "FF 00"},
                                           EncodingCase{128, "C0 00"}, EncodingCase{2, "81 00"},
                                           EncodingCase{1, "80 00"}, EncodingCase{0, "80 00"},
                                           EncodingCase{256, "00 00"}));

class BalanceEncodingTest : public MixerCommandsTest, public ::testing::WithParamInterface<EncodingCase>
{
};

TEST_P(BalanceEncodingTest, BalanceFrameCarriesThePosition)
{
    ASSERT_TRUE(started().setBalance(1, 2, GetParam().value));
    EXPECT_EQ(sentFrames(), Frames{std::string("00 08 B8 81 06 10 02 02 03 02 ") + GetParam().controlData});
}

INSTANTIATE_TEST_SUITE_P(Positions, BalanceEncodingTest,
                         ::testing::Values(EncodingCase{0, "7F FE"}, EncodingCase{127, "00 00"},
                                           EncodingCase{128, "FF 00"}, EncodingCase{255, "80 00"}));

TEST_F(MixerCommandsTest, SelectorCommandsSendNineByteFrames)
{
    MixerCommands& mixer = started();
    EXPECT_TRUE(mixer.setOutputSource(5, true));
    EXPECT_TRUE(mixer.setOutputSource(1, false));
    EXPECT_TRUE(mixer.setHeadphoneSource(4));
    EXPECT_TRUE(mixer.setPlaybackRoute(3));
    EXPECT_EQ(sentFrames(), (Frames{
                                "00 08 B8 80 05 10 02 01 01",
                                "00 08 B8 80 01 10 02 00 01",
                                "00 08 B8 80 04 10 02 04 01",
                                "00 08 B8 80 06 10 02 03 01",
                            }));
    for (const auto& request : requests(kAvcRequestCode))
        EXPECT_EQ(word(request.input, 4), 9u);
    EXPECT_EQ(driver->unit(0).selector.at(4), 4);
}

TEST_F(MixerCommandsTest, SoftwareMuteSilencesAndRestoresItsLastLevel)
{
    MixerCommands& mixer = started();
    EXPECT_TRUE(mixer.setVolume(4, 0, 200));
    EXPECT_TRUE(mixer.setMute(6, true));
    EXPECT_TRUE(mixer.setVolume(4, 0, 100)); // remembered, not sent
    EXPECT_TRUE(mixer.setMute(6, false));
    EXPECT_EQ(sentFrames(), (Frames{
                                "00 08 B8 81 09 10 02 00 02 02 E4 00",
                                "00 08 B8 81 09 10 02 00 02 02 80 00",
                                "00 08 B8 81 09 10 02 00 02 02 B2 00",
                            }));
}

TEST_F(MixerCommandsTest, InputMuteHoldsBackLevelChangesUntilUnmuted)
{
    MixerCommands& mixer = started();
    EXPECT_TRUE(mixer.setMute(4, true));
    EXPECT_TRUE(mixer.setVolume(2, 1, 100));
    EXPECT_TRUE(mixer.setMute(4, false));
    EXPECT_EQ(sentFrames(), (Frames{
                                "00 08 B8 81 07 10 02 01 02 02 80 00",
                                "00 08 B8 81 07 10 02 01 02 02 B2 00",
                            }));
}

TEST_F(MixerCommandsTest, MuteTargetsFollowTheStripOrder)
{
    MixerCommands& mixer = started();
    for (int index = 0; index < 6; ++index)
        EXPECT_TRUE(mixer.setMute(index, true));
    EXPECT_EQ(sentFrames(), (Frames{
                                "00 08 B8 81 05 10 02 01 02 02 80 00",
                                "00 08 B8 81 05 10 02 02 02 02 80 00",
                                "00 08 B8 81 06 10 02 01 02 02 80 00",
                                "00 08 B8 81 06 10 02 02 02 02 80 00",
                                "00 08 B8 81 07 10 02 01 02 02 80 00",
                                "00 08 B8 81 07 10 02 02 02 02 80 00",
                            }));
}

TEST_F(MixerCommandsTest, SoftwarePanLevelsAreSentWhileMuted)
{
    MixerCommands& mixer = started();
    mixer.setMute(6, true);
    driver->clearLog();
    EXPECT_TRUE(mixer.setVolume(4, 1, 255));
    EXPECT_TRUE(mixer.setVolume(4, 2, 128));
    EXPECT_EQ(sentFrames(), (Frames{
                                "00 08 B8 81 09 10 02 01 02 02 FF 00",
                                "00 08 B8 81 09 10 02 02 02 02 C0 00",
                            }));
    // The pan levels did not overwrite the software strip's cached level.
    driver->clearLog();
    mixer.setMute(6, false);
    EXPECT_EQ(sentFrames(), Frames{"00 08 B8 81 09 10 02 00 02 02 80 00"});
}

TEST_F(MixerCommandsTest, UnmutingANeverSetChannelSendsSilence)
{
    EXPECT_TRUE(started().setMute(1, false));
    EXPECT_EQ(sentFrames(), Frames{"00 08 B8 81 05 10 02 02 02 02 80 00"});
}

TEST_F(MixerCommandsTest, FailedSendReturnsFalseButKeepsTheLevel)
{
    MixerCommands& mixer = started();
    driver->failRequests(kAvcRequestCode, status::kBusReset);
    EXPECT_FALSE(mixer.setVolume(0, 2, 255));
    EXPECT_FALSE(mixer.setHeadphoneSource(1));
    driver->clearFaults();
    driver->clearLog();
    mixer.setMute(1, true);
    EXPECT_TRUE(mixer.setMute(1, false));
    EXPECT_EQ(sentFrames().back(), "00 08 B8 81 05 10 02 02 02 02 FF 00");
}

TEST_F(MixerCommandsTest, OutOfRangeAddressesAreRefusedWithoutSending)
{
    MixerCommands& mixer = started();
    EXPECT_FALSE(mixer.setVolume(5, 1, 255));
    EXPECT_FALSE(mixer.setVolume(-1, 1, 255));
    EXPECT_FALSE(mixer.setVolume(0, 3, 255));
    EXPECT_FALSE(mixer.setBalance(0, -1, 127));
    EXPECT_FALSE(mixer.setMute(7, true));
    EXPECT_FALSE(mixer.setMute(-1, false));
    EXPECT_FALSE(mixer.setPlaybackRoute(256));
    for (int notAnOutput : {4, 6, 7, 255, -1})
        EXPECT_FALSE(mixer.setOutputSource(notAnOutput, true)) << notAnOutput;
    EXPECT_TRUE(sentFrames().empty());
    EXPECT_EQ(driver->unit(0).selector.at(4), 0) << "the headphone source is untouched";

    // Output 0 belongs to no selector: Bypass with nothing on the mix sends it as it is.
    EXPECT_TRUE(mixer.setOutputSource(0, false));
    EXPECT_EQ(sentFrames(), (Frames{"00 08 B8 80 00 10 02 00 01"}));
}

} // namespace
