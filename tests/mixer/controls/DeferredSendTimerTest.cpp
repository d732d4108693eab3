// The deferred level and balance senders, checked against what reaches the
// simulated driver.
#include "BalanceSendTimer.h"
#include "DeviceTestSupport.h"
#include "VolumeSendTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int firstInputBlock = 5; // feature function block of channel index 0

class SendTimerTest : public devicetest::DeviceTest
{
protected:
    // AV/C requests (level or balance frames) the driver has seen since the last clear.
    size_t framesSent() const { return frames().size(); }

    // Runs the loop until a frame arrives; returns the time it was first seen.
    Clock::time_point waitForFrame()
    {
        testing_loop::pumpUntil([this] { return framesSent() > 0; }, 2s);
        return Clock::now();
    }
};

TEST_F(SendTimerTest, VolumeSendsOnlyTheLastValueTenMillisecondsAfterTheLastSchedule)
{
    VolumeSendTimer sender;
    sender.schedule(0, 2, 100);
    testing_loop::pumpFor(5ms);
    EXPECT_EQ(framesSent(), 0u) << "nothing leaves before the 10 ms pause";

    sender.schedule(0, 2, 200);
    const auto second = Clock::now();
    const auto arrival = waitForFrame();

    ASSERT_EQ(framesSent(), 1u) << "the first value of the target was dropped";
    const auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(arrival - second);
    EXPECT_GE(delay.count(), 9) << "sent too early after the second schedule";
    EXPECT_LT(delay.count(), 100);

    const auto unit = driver->unit(0);
    ASSERT_TRUE(unit.volume.count(firstInputBlock));
    EXPECT_EQ(unit.volume.at(firstInputBlock)[2], 0xE400) << "level 200 of the second call";

    testing_loop::pumpFor(40ms);
    EXPECT_EQ(framesSent(), 1u) << "the sender sends once and stops";
    EXPECT_FALSE(sender.isTimerRunning());
}

// One sender may drive several targets of a strip: none of them may lose its
// last value to another, and a value sent at once makes an older pending one
// of the same target void.
TEST_F(SendTimerTest, EachTargetKeepsItsLastValue)
{
    VolumeSendTimer sender;
    sender.schedule(0, 1, 100);
    sender.schedule(0, 2, 150);
    sender.schedule(0, 1, 120);
    sender.schedule(0, 0, 200);
    sender.sendNow(0, 2, 255);
    ASSERT_EQ(framesSent(), 1u) << "sent at once";

    // Pending ones go in the order of their last schedule.
    EXPECT_EQ(framesAfter(),
              (std::vector<std::string>{"FB 5 ch 2 vol FF00", "FB 5 ch 1 vol BC00", "FB 5 ch 0 vol E400"}));
    EXPECT_FALSE(sender.hasPending());
}

TEST_F(SendTimerTest, BalanceSendsOnceAndCanBeArmedAgain)
{
    BalanceSendTimer sender;
    sender.schedule(0, 1, 0);
    sender.schedule(0, 1, 255);
    waitForFrame();
    testing_loop::pumpFor(30ms);
    ASSERT_EQ(framesSent(), 1u);
    EXPECT_EQ(driver->unit(0).balance.at(firstInputBlock)[1], 0x8000) << "position 255";

    driver->clearLog();
    sender.schedule(0, 1, 127);
    waitForFrame();
    testing_loop::pumpFor(30ms);
    EXPECT_EQ(framesSent(), 1u);
    EXPECT_EQ(driver->unit(0).balance.at(firstInputBlock)[1], 0x0000) << "position 127 is the centre";
}

TEST_F(SendTimerTest, NothingIsSentWithoutACommandObject)
{
    theMixerCommands = nullptr;
    VolumeSendTimer sender;
    sender.schedule(0, 1, 10);
    testing_loop::pumpUntil([&] { return !sender.isTimerRunning(); }, 1s);
    testing_loop::pumpFor(20ms);
    EXPECT_FALSE(sender.isTimerRunning());
    EXPECT_EQ(framesSent(), 0u);
}

} // namespace
