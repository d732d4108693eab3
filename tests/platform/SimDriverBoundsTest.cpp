// What the simulated driver keeps is bounded, whatever its clients send.
#include "SimDriverTestSupport.h"

#include <future>

using namespace testing_support;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr DWORD kUnknownCode = 0x80889999;
constexpr DWORD kNodeDirectoryCode = 0x80882860;

std::size_t heldBytes(const std::vector<sim::LogEntry>& log)
{
    std::size_t bytes = 0;
    for (const auto& entry : log)
        bytes += entry.program.size() + entry.input.size() + entry.frame.size() + entry.path.size();
    return bytes;
}

} // namespace

TEST_F(SimDriverTest, TheLogHoldsABoundedNumberOfBytesWhateverTheInputs)
{
    HANDLE file = control();
    const Bytes large(64 * 1024, 0xAB);
    for (int i = 0; i < 5000; ++i)
        ioctl(file, kUnknownCode, large, 0);

    const auto log = driver->log();
    ASSERT_FALSE(log.empty());
    EXPECT_LE(heldBytes(log), sim::SimDriver::kLogByteBudget);
    EXPECT_EQ(log.back().code, kUnknownCode);
    EXPECT_EQ(log.back().inputSize, large.size()) << "the log still tells the size that was sent";
    EXPECT_EQ(log.back().input, Bytes(large.begin(), large.begin() + sim::LogEntry::kLoggedInputBytes));
}

TEST(SimDriverPending, DelayedCompletionsHoldABoundedAmountOfOutput)
{
    ScopedRegistry registry;
    constexpr DWORD kOutputSize = 64 * 1024;
    constexpr int kAttempts = 200; // 12.5 MiB of output if nothing refused them
    // Declared before the driver: its destruction completes what still waits into them.
    std::vector<Bytes> outputs(kAttempts, Bytes(kOutputSize, 0));
    int completed = 0; // by the completion thread, read once the driver is gone
    int pending = 0;
    {
        sim::SimDriver driver(1);
        std::uint64_t file = 0;
        ASSERT_EQ(driver.openFile("\\\\.\\{34F6CC0C-BE3A-4f6e-BE12-47E58C84B08D}", file), 0u);
        driver.completeAsynchronously(0, std::chrono::minutes(10));

        int refused = 0;
        for (auto& output : outputs) {
            win32::IoResult result;
            const bool atOnce = driver.deviceIoControl(file, kNodeDirectoryCode, nullptr, 0, output.data(), kOutputSize,
                                                       result, [&](const win32::IoResult&) { ++completed; });
            if (atOnce) {
                EXPECT_EQ(result.error, 0xE0000110u) << "refused as the driver's packet pool running dry";
                ++refused;
            } else {
                ++pending;
            }
        }
        EXPECT_GT(pending, 0);
        EXPECT_GT(refused, 0);
        EXPECT_LE(std::size_t(pending) * kOutputSize, sim::SimDriver::kPendingByteBudget);

        driver.clearFaults();
        win32::IoResult result;
        Bytes response(12, 0);
        EXPECT_TRUE(driver.deviceIoControl(file, 0x80882804, nullptr, 0, response.data(), 12, result, {}))
            << "requests that complete at once still work";
        EXPECT_EQ(result.error, 0u);
    }
    EXPECT_EQ(completed, pending) << "destroying the driver completes what still waits";
}

TEST(SimDriverLifetime, ACompletionHoldingTheLastReferenceLetsTheDriverGo)
{
    ScopedRegistry registry;
    std::promise<void> completed;
    std::promise<void> destroyed;
    Bytes version(12, 0);
    {
        auto driver = std::make_shared<sim::SimDriver>(1);
        // Destroyed with the driver's open files, after its completion thread has been dealt with.
        std::shared_ptr<void> sentinel(nullptr, [&](void*) { destroyed.set_value(); });
        std::uint64_t watched = 0;
        ASSERT_EQ(driver->openFileFor("test", sim::controlPath(sim::kSettingsInterfaceClass), watched,
                                      [sentinel](std::uint32_t) {}),
                  0u);
        sentinel.reset();

        std::uint64_t file = 0;
        ASSERT_EQ(driver->openFile(sim::controlPath(sim::kSettingsInterfaceClass), file), 0u);
        driver->completeAsynchronously(0, std::chrono::milliseconds(20));
        win32::IoResult result;
        sim::SimDriver& raw = *driver;
        EXPECT_FALSE(raw.deviceIoControl(
            file, 0x80882804, nullptr, 0, version.data(), 12, result,
            [owner = std::move(driver), &completed](const win32::IoResult&) { completed.set_value(); }));
    } // the pending completion now holds the driver's last reference
    EXPECT_EQ(completed.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(destroyed.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready)
        << "the driver was not destroyed: its completion thread is stuck destroying it";
    EXPECT_EQ(version[0], 2);
}
