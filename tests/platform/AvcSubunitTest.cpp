#include "SimDriverTestSupport.h"

#include <AvcSubunit.h>

using namespace testing_support;
using Bytes = std::vector<std::uint8_t>;

namespace {
Bytes volume(std::uint8_t ctype, std::uint8_t block, std::uint8_t channel, std::uint16_t value)
{
    return {
        ctype, 0x08, 0xB8, 0x81, block, 0x10, 0x02, channel, 0x02, 0x02, std::uint8_t(value >> 8), std::uint8_t(value)};
}
Bytes withCode(Bytes frame, std::uint8_t code)
{
    frame[0] = code;
    return frame;
}
} // namespace

using AvcTarget = SimDriverTest;

TEST_F(AvcTarget, AcceptedControlsEchoTheFrameAndChangeTheUnit)
{
    const Bytes level = volume(0x00, 5, 1, 0xFF00);
    EXPECT_EQ(avc(level), withCode(level, 0x09));
    const Bytes balance = {0x00, 0x08, 0xB8, 0x81, 0x06, 0x10, 0x02, 0x02, 0x03, 0x02, 0x7F, 0xFE};
    EXPECT_EQ(avc(balance), withCode(balance, 0x09));
    const Bytes headphones = {0x00, 0x08, 0xB8, 0x80, 0x04, 0x10, 0x02, 0x04, 0x01};
    EXPECT_EQ(avc(headphones), withCode(headphones, 0x09));
    const Bytes spdifClock = {0x00, 0xFF, 0x1A, 0x0F, 0xFF, 0x83, 0x60, 0x05};
    EXPECT_EQ(avc(spdifClock), withCode(spdifClock, 0x09));
    const Bytes boost = volume(0x00, 0x0B, 2, 0x0C00);
    EXPECT_EQ(avc(boost), withCode(boost, 0x09));

    const sim::UnitState state = driver->unit(0);
    EXPECT_EQ(state.volume.at(5)[1], 0xFF00);
    EXPECT_EQ(state.balance.at(6)[2], 0x7FFE);
    EXPECT_EQ(state.selector.at(4), 4);
    EXPECT_EQ(state.clockSourcePlug, 0x83);
    EXPECT_EQ(state.volume.at(11)[2], 0x0C00);
}

TEST_F(AvcTarget, StatusReportsTheCurrentValue)
{
    avc(volume(0x00, 9, 0, 0xC000));
    EXPECT_EQ(avc(volume(0x01, 9, 0, 0x7FFF)), withCode(volume(0x01, 9, 0, 0xC000), 0x0C));
    avc({0x00, 0x08, 0xB8, 0x80, 0x06, 0x10, 0x02, 0x03, 0x01});
    EXPECT_EQ(avc({0x01, 0x08, 0xB8, 0x80, 0x06, 0x10, 0x02, 0xFF, 0x01}),
              Bytes({0x0C, 0x08, 0xB8, 0x80, 0x06, 0x10, 0x02, 0x03, 0x01}));
}

TEST_F(AvcTarget, UnsupportedBlocksAndOpcodesAreNotImplemented)
{
    const Bytes cases[] = {
        volume(0x00, 4, 1, 0),                                                    // no such feature block
        {0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x01, 0x01, 0x00},       // mute control
        {0x00, 0x08, 0xB8, 0x81, 0x0A, 0x10, 0x02, 0x01, 0x03, 0x02, 0x00, 0x00}, // balance on a boost block
        {0x00, 0x08, 0xB8, 0x80, 0x07, 0x10, 0x02, 0x00, 0x01},                   // no such selector
        {0x00, 0x08, 0xB8, 0x82, 0x01, 0x10, 0x02, 0x00, 0x01},                   // processing block
        {0x00, 0x08, 0x02, 0x00},                                                 // other opcode
        {0x00, 0x20, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0x00, 0x00}, // other subunit
        {0x03, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0x00, 0x00}, // NOTIFY
    };
    for (const Bytes& frame : cases)
        EXPECT_EQ(avc(frame), withCode(frame, 0x08)) << "frame " << &frame - cases;
}

TEST_F(AvcTarget, MalformedOrOutOfRangeControlsAreRejectedAndChangeNothing)
{
    const sim::UnitState before = driver->unit(0);
    const Bytes cases[] = {
        volume(0x00, 5, 3, 0),                                                          // audio channel 3
        volume(0x00, 5, 1, 0x0100),                                                     // +1 dB on the mixer
        volume(0x00, 10, 1, 0x0D00),                                                    // boost beyond +12 dB
        volume(0x00, 10, 0, 0x0C00),                                                    // boost has no master channel
        {0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0xFF},             // data cut short
        {0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0xFF, 0x00, 0x00}, // trailing byte
        {0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x01, 0x01, 0x02, 0x02, 0xFF, 0x00},       // selector length 1
        {0x00, 0x08, 0xB8, 0x80, 0x06, 0x10, 0x02, 0x04, 0x01},                         // playback route 4
        {0x00, 0x08, 0xB8, 0x80, 0x01, 0x10, 0x02, 0x02, 0x01},                         // output selector plug 2
        {0x00, 0xFF, 0x1A, 0x0F, 0x60, 0x07, 0x60, 0x05},                               // unknown clock source
        {0x00, 0xFF, 0x1A, 0x0F, 0x60, 0x06, 0x60},                                     // short SIGNAL SOURCE
        {0x00, 0x08, 0xB8, 0x81},                                                       // header only
        {0x00, 0x08},
        {0x09, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0x00, 0x00}, // a response as command
    };
    for (const Bytes& frame : cases) {
        const Bytes response = avc(frame);
        ASSERT_FALSE(response.empty());
        EXPECT_EQ(response[0], 0x0A) << "frame " << &frame - cases;
    }
    const sim::UnitState after = driver->unit(0);
    EXPECT_EQ(after.volume, before.volume);
    EXPECT_EQ(after.selector, before.selector);
    EXPECT_EQ(after.clockSourcePlug, before.clockSourcePlug);
}

TEST_F(AvcTarget, FramesPaddedWithZerosToWholeQuadletsAreAccepted)
{
    const Bytes padded = {0x00, 0x08, 0xB8, 0x80, 0x04, 0x10, 0x02, 0x03, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(avc(padded), withCode(padded, 0x09));
    EXPECT_EQ(driver->unit(0).selector.at(4), 3);

    const Bytes notPadding[] = {
        {0x00, 0x08, 0xB8, 0x80, 0x04, 0x10, 0x02, 0x02, 0x01, 0x00, 0x00, 0x01}, // non-zero filler
        {0x00, 0x08, 0xB8, 0x80, 0x04, 0x10, 0x02, 0x02, 0x01, 0x00},             // not a whole quadlet
        {0x00, 0x08, 0xB8, 0x80, 0x04, 0x10, 0x02, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    };
    for (const Bytes& frame : notPadding)
        EXPECT_EQ(avc(frame)[0], 0x0A) << "frame " << &frame - notPadding;
    EXPECT_EQ(driver->unit(0).selector.at(4), 3);
}

TEST_F(AvcTarget, AForcedResponseAnswersEveryCommandAndChangesNothing)
{
    driver->answerEveryCommandWith(0x0A);
    const Bytes level = volume(0x00, 5, 1, 0xC000);
    EXPECT_EQ(avc(level), withCode(level, 0x0A));
    EXPECT_EQ(driver->unit(0).volume.at(5)[1], 0);
    driver->clearFaults();
    EXPECT_EQ(avc(level), withCode(level, 0x09));
}

TEST_F(AvcTarget, EmptyFrameGetsAOneByteRejection)
{
    EXPECT_EQ(avc({}), Bytes({0x0A}));
}

TEST_F(AvcTarget, BadRequestWordsLengthsAndSizesFailInTheDriver)
{
    HANDLE file = unit();
    const Bytes frame = volume(0x00, 5, 1, 0xFF00);
    EXPECT_EQ(ioctl(file, 0x80883004, avcRequest(frame, 2001), 516).error, 0xE0000300u);
    EXPECT_EQ(ioctl(file, 0x80883004, avcRequest(frame, 2000, 513), 516).error, 0xE0000300u);
    EXPECT_EQ(ioctl(file, 0x80883004, avcRequest(frame, 2000, 0xFFFFFFF0), 516).error, 0xE0000300u);
    Bytes shortRequest = avcRequest(frame);
    shortRequest.resize(519);
    EXPECT_EQ(ioctl(file, 0x80883004, shortRequest, 516).error, 0xE0000305u);
    EXPECT_EQ(ioctl(file, 0x80883004, avcRequest(frame), 515).error, 0xE0000305u);
    EXPECT_EQ(driver->unit(0).volume.at(5)[1], 0);
}

TEST_F(AvcTarget, EveryLengthUpToTheFullFrameIsAnswered)
{
    Bytes frame = volume(0x00, 5, 1, 0xFF00);
    frame.resize(512, 0xEE);
    HANDLE file = unit();
    for (std::uint32_t length = 0; length <= 512; length += 7) {
        Reply reply = ioctl(file, 0x80883004, avcRequest(frame, 2000, length), 516);
        ASSERT_TRUE(reply.ok);
        EXPECT_EQ(word(reply.out, 0), std::max<std::uint32_t>(length, 1));
    }
}

TEST(AvcSubunitModel, ReadsNothingBeyondTheGivenBytes)
{
    // Exact-size heap copies: the sanitizers see any over-read.
    const Bytes full = volume(0x00, 5, 1, 0xFF00);
    sim::UnitState state = sim::AvcSubunit::initialState(0xFFC0);
    for (std::size_t size = 0; size <= full.size(); ++size) {
        auto copy = std::make_unique<std::uint8_t[]>(size ? size : 1);
        std::memcpy(copy.get(), full.data(), size);
        const auto response = sim::AvcSubunit::respond(copy.get(), size, state);
        EXPECT_EQ(response.size(), std::max<std::size_t>(size, 1));
        EXPECT_EQ(response[0], size == 12 ? 0x09 : 0x0A) << size;
    }
}
