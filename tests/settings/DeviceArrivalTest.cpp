// Units plugged in and out while the dialog runs, and the driver's own
// notifications: every way ends in one refresh of the controls and the
// stored settings sent to the units now there.
#include "DriverTwist.h"
#include "SettingsDialogFixture.h"

#include <dbt.h>

#include <atomic>
#include <cstring>

namespace {

using namespace std::chrono_literals;

constexpr DWORD kReadBufferBlock = 0x80882A88;
constexpr DWORD kReadNotification = 0x80882828;

const std::vector<std::string> kAllRates = {"44.1 kHz", "48.0 kHz", "88.2 kHz", "96.0 kHz"};

class DeviceArrivalTest : public SettingsDialogTest
{
protected:
    DeviceArrivalTest() : SettingsDialogTest(0) {}

    // Refreshes so far: each one reads the buffer block once.
    std::size_t refreshes() const { return requests(kReadBufferBlock).size(); }

    // Runs the message loop until the refreshes stop coming.
    void settle()
    {
        std::size_t seen = refreshes();
        for (int quiet = 0; quiet < 5;) {
            testing_loop::pumpFor(20ms);
            quiet = refreshes() == seen ? quiet + 1 : 0;
            seen = refreshes();
        }
    }

    // A device-interface broadcast with `name`, as the system sends it.
    void broadcast(UINT event, const std::string& name, DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE)
    {
        std::vector<std::uint8_t> bytes(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + name.size(), 0);
        auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
        record->dbcc_size = static_cast<DWORD>(bytes.size());
        record->dbcc_devicetype = deviceType;
        std::memcpy(record->dbcc_name, name.c_str(), name.size() + 1);
        EXPECT_EQ(SendMessageA(window(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(bytes.data())), TRUE);
    }
};

TEST_F(DeviceArrivalTest, FirstUnitFillsTheListsAndGetsTheStoredSettings)
{
    storeProfile("Ch2Boost", 1);
    storeProfile("SPDIFSync", 1);
    openDialog();
    settle();
    ASSERT_EQ(items(IDC_SAMPLE_RATE), std::vector<std::string>{" No Device"});
    driver->clearLog();

    driver->plug();
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return items(IDC_SAMPLE_RATE) == kAllRates; }));
    settle();
    EXPECT_TRUE(enabled(IDC_SAMPLE_RATE));
    EXPECT_TRUE(enabled(IDC_BOOST1));
    EXPECT_TRUE(checked(IDC_BOOST2));
    const auto frames = sentFrames();
    ASSERT_GE(frames.size(), 5u);
    EXPECT_EQ(frames[0], "00 FF 1A 0F FF 83 60 05") << "the stored clock source, S/PDIF";
    EXPECT_EQ(frames[2], "00 08 B8 81 0A 10 02 02 02 02 0C 00") << "the stored Mic 2 boost";
    EXPECT_EQ(driver->unit(0).clockSourcePlug, 0x83);
}

TEST_F(DeviceArrivalTest, LastUnitGoneShowsNoDevice)
{
    driver->plug();
    openDialog();
    ASSERT_EQ(items(IDC_SAMPLE_RATE), kAllRates);
    driver->unplug();
    ASSERT_TRUE(
        testing_loop::pumpUntil([&] { return items(IDC_SAMPLE_RATE) == std::vector<std::string>{" No Device"}; }));
    EXPECT_FALSE(enabled(IDC_SAMPLE_RATE));
    for (int box = IDC_BOOST1; box <= IDC_BOOST4; ++box)
        EXPECT_FALSE(enabled(box));
}

TEST_F(DeviceArrivalTest, SecondUnitOffersTwoRatesAndBothSpdifInputs)
{
    driver->plug();
    openDialog();
    driver->plug();
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return items(IDC_SAMPLE_RATE).size() == 2; }));
    EXPECT_EQ(items(IDC_SAMPLE_RATE), (std::vector<std::string>{"44.1 kHz", "48.0 kHz"}));
    EXPECT_EQ(items(IDC_CLOCK_SOURCE), (std::vector<std::string>{"Internal", "S/PDIF 1", "S/PDIF 2"}));
}

// One message drains what is pending: kinds 2 and 3 ask for a refresh each.
TEST_F(DeviceArrivalTest, NotificationsRefreshOncePerKindTwoOrThree)
{
    driver->plug();
    openDialog();
    settle();
    const struct
    {
        std::vector<std::uint32_t> kinds;
        std::size_t refreshes;
    } cases[] = {{{1, 2, 4}, 1}, {{3, 3}, 2}, {{1, 4, 7}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kinds.size() << " notifications");
        driver->clearLog();
        for (const std::uint32_t kind : c.kinds)
            driver->queueNotification(kind);
        settle();
        EXPECT_EQ(refreshes(), c.refreshes);
        EXPECT_FALSE(requests(kReadNotification).empty());
    }
}

TEST_F(DeviceArrivalTest, OnlyNamedInterfaceArrivalsAndRemovalsRefresh)
{
    driver->plug();
    openDialog();
    settle();
    driver->clearLog();
    broadcast(DBT_DEVICEARRIVAL, "");
    broadcast(DBT_DEVICEARRIVAL, "\\\\?\\");                                        // shorter than five characters
    broadcast(DBT_DEVICEARRIVAL, "\\\\?\\1394#tessary", 2);                         // a volume, not an interface
    broadcast(0x0007, "\\\\?\\1394#tessary&unit0");                                 // DBT_DEVNODES_CHANGED
    EXPECT_EQ(SendMessageA(window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), TRUE); // no record
    EXPECT_EQ(driver->log().size(), 0u) << "nothing reached the driver";

    broadcast(DBT_DEVICEREMOVECOMPLETE, "\\\\?\\1394#tessary&unit0");
    EXPECT_EQ(refreshes(), 1u);
}

// A driver that says it read a notification but filled in nothing ends the
// drain, as a failed read does; it never keeps the dialog reading.
TEST_F(DeviceArrivalTest, AReadThatFillsInNothingEndsTheDrain)
{
    std::atomic<int> reads{0};
    auto twist = std::make_shared<testing_support::DriverTwist>(driver.shared());
    twist->answer = [&](DWORD code, void*, DWORD, win32::IoResult& result) {
        if (code != kReadNotification)
            return false;
        ++reads;
        result = {ERROR_SUCCESS, 2}; // success, but not even the kind
        return true;
    };
    win32::ScopedDriverBackend twisted(twist);
    driver->plug();
    openDialog();
    settle();
    driver->clearLog();
    reads = 0;
    SendMessageA(window(), CSettingsDlg::kDriverNotifyMessage, 0, 0);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(refreshes(), 0u);
}

// A refresh whose own requests make the driver notify again: the dialog reads
// a bounded number per message and goes on with the next, so other messages
// (here a Restore from the tray) are handled meanwhile.
TEST_F(DeviceArrivalTest, NotificationsRaisedByRefreshesNeverHoldTheDialog)
{
    constexpr int kStormLength = 200;
    std::atomic<int> raised{0};
    std::atomic<bool> storming{false};
    int raisedWhenRestored = -1;
    auto twist = std::make_shared<testing_support::DriverTwist>(driver.shared());
    twist->after = [&](DWORD code) {
        // Refreshes run on the message thread, as the Restore does: note when it came.
        if (storming && raisedWhenRestored < 0 && IsWindowVisible(window()))
            raisedWhenRestored = raised;
        if (storming && code == kReadBufferBlock && raised < kStormLength) {
            ++raised;
            driver->queueNotification(2);
        }
    };
    win32::ScopedDriverBackend twisted(twist);
    driver->plug();
    openDialog();
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return !IsWindowVisible(window()); }));

    storming = true;
    PostMessageA(window(), CSettingsDlg::kDriverNotifyMessage, 0, 0);
    PostMessageA(window(), WM_COMMAND, ID_TRAY_RESTORE, 0);
    driver->queueNotification(2); // the first of the storm
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return raised >= kStormLength; }, 20s));
    EXPECT_GE(raisedWhenRestored, 0);
    EXPECT_LT(raisedWhenRestored, kStormLength / 2) << "the Restore waited for the whole storm";
}

} // namespace
