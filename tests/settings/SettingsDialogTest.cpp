// The settings dialog against the simulated driver: what its lists and boxes
// show, what each change sends, and what reaches the profile.
#include "SettingsDialogFixture.h"

#include <ControlDevice.h>

namespace {

constexpr DWORD kReadClockBlock = 0x808828C0;
constexpr DWORD kWriteSampleRate = 0x808828C4;
constexpr DWORD kWriteBufferBlock = 0x80882A8C;
constexpr DWORD kApplyStep1 = 0x80882A04;

const std::vector<std::string> kAllRates = {"44.1 kHz", "48.0 kHz", "88.2 kHz", "96.0 kHz"};

class SettingsDialogDriverTest : public SettingsDialogTest
{
protected:
    // Sets the driver's rate and buffer length as another program would.
    void driverAt(std::uint32_t rate, std::uint32_t bufferLength = 4000)
    {
        ControlDevice control(settingsProfile());
        ASSERT_EQ(control.open(), status::kSuccess);
        ASSERT_EQ(control.writeSampleRate(rate), status::kSuccess);
        BufferBlock block = {};
        ASSERT_EQ(control.readBufferBlock(block), status::kSuccess);
        block.words[0] = bufferLength;
        ASSERT_EQ(control.writeBufferBlock(block), status::kSuccess);
    }

    void useUnits(unsigned count)
    {
        while (driver->unitCount() < count)
            driver->plug();
        while (driver->unitCount() > count)
            driver->unplug();
    }

    std::vector<std::string> boostFrames() const
    {
        std::vector<std::string> frames;
        for (const auto& frame : sentFrames())
            if (frame.rfind("00 08 B8 81", 0) == 0)
                frames.push_back(frame);
        return frames;
    }
};

TEST_F(SettingsDialogDriverTest, SampleRateListOffersWhatTheUnitsCanRun)
{
    const struct
    {
        unsigned units;
        std::uint32_t rate;
        std::vector<std::string> items;
        std::string selected;
    } cases[] = {
        {1, 96000, kAllRates, "96.0 kHz"},
        {1, 48000, kAllRates, "48.0 kHz"},
        {2, 96000, {"44.1 kHz", "48.0 kHz"}, "44.1 kHz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.units << " units at " << c.rate);
        useUnits(c.units);
        driverAt(c.rate);
        driver->clearLog();
        openDialog();
        EXPECT_EQ(items(IDC_SAMPLE_RATE), c.items);
        EXPECT_EQ(selected(IDC_SAMPLE_RATE), c.selected);
        EXPECT_TRUE(enabled(IDC_SAMPLE_RATE));
        EXPECT_TRUE(requests(kWriteSampleRate).empty());
        EXPECT_EQ(dialog->units(), static_cast<int>(c.units));
        dialog.reset();
    }
}

TEST_F(SettingsDialogDriverTest, ChoosingARateWritesItOnlyWhenTheDriverRunsAnother)
{
    driverAt(48000);
    openDialog();
    driver->clearLog();
    choose(IDC_SAMPLE_RATE, 1); // 48.0 kHz, the driver's rate
    EXPECT_TRUE(requests(kWriteSampleRate).empty());

    choose(IDC_SAMPLE_RATE, 2);
    const auto writes = requests(kWriteSampleRate);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(hex(writes[0].input), "00 00 00 00 88 58 01 00");
    EXPECT_EQ(driver->sampleRate(), 88200u);

    // A clock block that cannot be read says nothing about the rate: the chosen one is written.
    driver->failRequests(kReadClockBlock, 0xE0000001);
    choose(IDC_SAMPLE_RATE, 2);
    EXPECT_EQ(requests(kWriteSampleRate).size(), 2u);
}

TEST_F(SettingsDialogDriverTest, UnreadableClockShowsNoStaleRate)
{
    driverAt(96000);
    openDialog();
    ASSERT_EQ(selected(IDC_SAMPLE_RATE), "96.0 kHz");
    driver->failRequests(kReadClockBlock, 0xE0000001);
    dialog->updateControls();
    EXPECT_EQ(selected(IDC_SAMPLE_RATE), "44.1 kHz"); // no rate matches: the first item
}

TEST_F(SettingsDialogDriverTest, LatencyListShowsTheBufferLengthAndKeepsItWhenUnchanged)
{
    driverAt(48000, 10000);
    openDialog();
    EXPECT_EQ(items(IDC_LATENCY),
              (std::vector<std::string>{"1.5 ms", "2.0 ms", "2.5 ms", "3.0 ms", "3.5 ms", "4.0 ms", "6.0 ms", "8.0 ms",
                                        "10.0 ms", "12.0 ms", "18.0 ms", "25.0 ms"}));
    EXPECT_EQ(selected(IDC_LATENCY), "10.0 ms");
    SendMessageA(control(IDC_LATENCY), CB_SETCURSEL, 0, 0);
    dialog->updateControls(); // the same length again: the list is left as it is
    EXPECT_EQ(selected(IDC_LATENCY), "1.5 ms");
}

TEST_F(SettingsDialogDriverTest, FailedLatencyChangeCanBeChosenAgain)
{
    for (const DWORD failing : {kWriteBufferBlock, kApplyStep1}) {
        SCOPED_TRACE(failing);
        driver->clearFaults();
        driverAt(48000, 10000);
        openDialog();
        driver->clearLog();
        driver->failRequests(failing, 0xE0000001);
        choose(IDC_LATENCY, 1); // 2.0 ms
        EXPECT_EQ(dialog->buffer().words[0], 10000u);
        driver->clearFaults();
        choose(IDC_LATENCY, 1);
        EXPECT_EQ(requests(kWriteBufferBlock).size(), 2u);
        EXPECT_EQ(driver->bufferMicroseconds(), 2000u);
        EXPECT_EQ(dialog->buffer().words[0], 2000u);
        choose(IDC_LATENCY, 1); // now unchanged: nothing is written
        EXPECT_EQ(requests(kWriteBufferBlock).size(), 2u);
        dialog.reset();
    }
}

TEST_F(SettingsDialogDriverTest, StoredBoostsAreShownAndSentToEveryInput)
{
    storeProfile("Ch3Boost", 5);
    openDialog();
    EXPECT_FALSE(checked(IDC_BOOST1));
    EXPECT_FALSE(checked(IDC_BOOST2));
    EXPECT_TRUE(checked(IDC_BOOST3));
    EXPECT_FALSE(checked(IDC_BOOST4));
    EXPECT_EQ(boostFrames(),
              (std::vector<std::string>{"00 08 B8 81 0A 10 02 01 02 02 00 00", "00 08 B8 81 0A 10 02 02 02 02 00 00",
                                        "00 08 B8 81 0B 10 02 01 02 02 0C 00", "00 08 B8 81 0B 10 02 02 02 02 00 00"}));
}

TEST_F(SettingsDialogDriverTest, ClickingABoostSendsItAndStoresIt)
{
    storeProfile("Ch3Boost", 5);
    openDialog();
    driver->clearLog();
    click(IDC_BOOST3);
    EXPECT_FALSE(checked(IDC_BOOST3));
    EXPECT_EQ(profileValue("Ch3Boost"), 0);
    click(IDC_BOOST1);
    EXPECT_EQ(profileValue("Ch1Boost"), 1);
    EXPECT_EQ(boostFrames(),
              (std::vector<std::string>{"00 08 B8 81 0B 10 02 01 02 02 00 00", "00 08 B8 81 0A 10 02 01 02 02 0C 00"}));
    EXPECT_EQ(driver->unit(0).volume.at(10)[1], 0x0C00);

    // The profile keeps the choice even when the unit does not take it.
    driver->failRequests(kAvcRequestCode, 0xE0008003);
    click(IDC_BOOST4);
    EXPECT_EQ(profileValue("Ch4Boost"), 1);
}

TEST_F(SettingsDialogDriverTest, FillingTheControlsChangesNothing)
{
    storeProfile("Ch2Boost", 1);
    driverAt(96000, 6000);
    driver->clearLog();
    openDialog();
    dialog->updateControls();
    EXPECT_TRUE(requests(kWriteSampleRate).empty());
    EXPECT_TRUE(requests(kWriteBufferBlock).empty());
    for (const char* entry : {"Ch1Boost", "Ch3Boost", "Ch4Boost", "SPDIFSync"})
        EXPECT_EQ(profileValue(entry), -1) << entry;
    EXPECT_EQ(profileValue("Ch2Boost"), 1);
}

TEST_F(SettingsDialogDriverTest, ClockSourceListShowsTheChoiceWhoseFrameIsSent)
{
    const std::vector<std::string> one = {"Internal", "S/PDIF"};
    const std::vector<std::string> two = {"Internal", "S/PDIF 1", "S/PDIF 2"};
    const struct
    {
        unsigned units;
        DWORD stored;
        std::vector<std::string> items;
        std::string selected;
    } cases[] = {
        {1, 0, one, "Internal"}, {1, 1, one, "S/PDIF"},   {1, 2, one, "Internal"}, {1, 0xFFFFFFFF, one, "Internal"},
        {2, 1, two, "S/PDIF 1"}, {2, 2, two, "S/PDIF 2"}, {3, 0, one, "Internal"}, {3, 1, one, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.units << " units, stored " << static_cast<int>(c.stored));
        useUnits(c.units);
        storeProfile("SPDIFSync", c.stored);
        openDialog();
        EXPECT_EQ(items(IDC_CLOCK_SOURCE), c.items);
        EXPECT_EQ(selected(IDC_CLOCK_SOURCE), c.selected);
        EXPECT_EQ(dialog->clockSource(), static_cast<int>(c.stored));
        EXPECT_FALSE(IsWindowVisible(control(IDC_CLOCK_SOURCE)));
        dialog.reset();
    }
}

TEST_F(SettingsDialogDriverTest, ClockSourceChangeIsSentAndStored)
{
    openDialog();
    driver->clearLog();
    choose(IDC_CLOCK_SOURCE, 1);
    EXPECT_EQ(sentFrames(), std::vector<std::string>{"00 FF 1A 0F FF 83 60 05"});
    EXPECT_EQ(profileValue("SPDIFSync"), 1);
    choose(IDC_CLOCK_SOURCE, 1);
    EXPECT_EQ(sentFrames().size(), 1u);
}

TEST_F(SettingsDialogDriverTest, NoUnitShowsNoDevice)
{
    useUnits(0);
    openDialog();
    EXPECT_EQ(items(IDC_SAMPLE_RATE), std::vector<std::string>{" No Device"});
    EXPECT_EQ(selected(IDC_SAMPLE_RATE), " No Device");
    EXPECT_FALSE(enabled(IDC_SAMPLE_RATE));
    for (int id = IDC_BOOST1; id <= IDC_BOOST4; ++id)
        EXPECT_FALSE(enabled(id)) << id;
    // The clock-source list keeps what it held: the dialog's initial items.
    EXPECT_EQ(items(IDC_CLOCK_SOURCE), (std::vector<std::string>{"Internal", "S/PDIF"}));
    EXPECT_TRUE(sentFrames().empty());
}

// The hive is a file anyone may edit: a value of another type is no setting of ours.
TEST_F(SettingsDialogDriverTest, ProfileValuesOfAnotherTypeCountAsUnset)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Ostrel\\TessarySettings\\Tessary", &key), ERROR_SUCCESS);
    const char text[] = "1";
    const BYTE wide[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    RegSetValueExA(key, "Ch1Boost", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegSetValueExA(key, "SPDIFSync", 0, REG_BINARY, wide, sizeof wide);
    RegCloseKey(key);
    openDialog();
    EXPECT_FALSE(checked(IDC_BOOST1));
    EXPECT_EQ(dialog->clockSource(), 0);
    EXPECT_EQ(sentFrames().front(), "00 FF 1A 0F 60 06 60 05");
}

TEST_F(SettingsDialogDriverTest, EscapeEndsTheModalDialog)
{
    dialog = std::make_unique<CSettingsDlg>();
    CSettingsDlg* running = dialog.get();
    // Once the modal loop runs, a user presses Escape.
    juce::MessageManager::callAsync(
        [running] { win32::componentOf(running->m_hWnd)->keyPressed(juce::KeyPress(juce::KeyPress::escapeKey)); });
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    EXPECT_EQ(dialog->m_hWnd, nullptr);
}

TEST_F(SettingsDialogDriverTest, TrayCpuCommandsReachTheDriver)
{
    openDialog();
    const std::pair<int, std::uint32_t> cases[] = {{ID_CPU_LOW, 4000}, {ID_CPU_HIGH, 1000}, {ID_CPU_MEDIUM, 2000}};
    for (const auto& [command, level] : cases) {
        SendMessageA(window(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        EXPECT_EQ(driver->cpuLevel(), level);
        EXPECT_EQ(dialog->cpuMenuItemForLevel(), static_cast<UINT>(command));
    }
}

// The face is fixed in pixels: whatever the system's DPI, the dialog comes out
// as at 96 DPI, every control over its painted label.
TEST_F(SettingsDialogDriverTest, LayoutIsTheSameAt96And120Dpi)
{
    struct Placement
    {
        RECT client;
        std::vector<RECT> controls; // in template order; lists with their dropped height
    };
    auto place = [this](int dpi) {
        win32::setSystemDpi(dpi);
        openDialog();
        Placement placement;
        GetClientRect(window(), &placement.client);
        POINT origin = {0, 0};
        ClientToScreen(window(), &origin);
        for (HWND child = GetWindow(window(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT rect;
            if (SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rect)) == 0)
                GetWindowRect(child, &rect);
            placement.controls.push_back(
                {rect.left - origin.x, rect.top - origin.y, rect.right - origin.x, rect.bottom - origin.y});
        }
        dialog.reset();
        return placement;
    };
    const Placement at96 = place(96);
    const Placement at120 = place(120);

    EXPECT_EQ(at96.client.right, 392);
    EXPECT_EQ(at96.client.bottom, 283);
    const std::vector<RECT> expected = {
        {0, 0, 395, 283}, // face picture, 263 x 174 units
        {57, 156, 72, 174},  {128, 154, 145, 174}, {201, 154, 216, 174}, {273, 154, 290, 174}, // boosts
        {48, 247, 123, 270},                                                                   // Done
        {57, 80, 159, 165},  {236, 80, 338, 269},  {149, 137, 251, 212}, // rate, latency, clock lists (dropped)
    };
    ASSERT_EQ(at96.controls.size(), expected.size());
    ASSERT_EQ(at120.controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        for (const Placement* placement : {&at96, &at120}) {
            EXPECT_EQ(placement->controls[i].left, expected[i].left);
            EXPECT_EQ(placement->controls[i].top, expected[i].top);
            EXPECT_EQ(placement->controls[i].right, expected[i].right);
            EXPECT_EQ(placement->controls[i].bottom, expected[i].bottom);
        }
    }
    EXPECT_EQ(at120.client.right, at96.client.right);
    EXPECT_EQ(at120.client.bottom, at96.client.bottom);
}

} // namespace
