// The settings commands against the simulated driver: what reaches the units,
// byte for byte, and in which order the control requests go.
#include "SimulatedDriver.h"

#include "SettingsCommands.h"

namespace {

using settings::SettingsCommands;

constexpr DWORD kWriteCpuBlock = 0x80882A84;
constexpr DWORD kReadCpuBlock = 0x80882A80;
constexpr DWORD kWriteBufferBlock = 0x80882A8C;
constexpr DWORD kApplyStep1 = 0x80882A04;
constexpr DWORD kApplyStep2 = 0x80882A00;

// One AV/C request as the unit saw it: which unit, the request's words, the frame.
struct SentFrame
{
    std::string unit; // "unit0", "unit1" ...
    std::uint32_t requestWord = 0;
    std::uint32_t frameLength = 0;
    std::string frame;
};

class SettingsCommandsTest : public SimulatedDriverTest
{
protected:
    explicit SettingsCommandsTest(unsigned units = 1) : SimulatedDriverTest(units)
    {
        nodes.open();
        nodes.readNodes();
        driver->clearLog();
    }

    void useUnits(unsigned count)
    {
        while (driver->unitCount() < count)
            driver->plug();
        while (driver->unitCount() > count)
            driver->unplug();
        driver->clearLog();
    }

    // The AV/C requests in order, each with the unit of the session it went on.
    std::vector<SentFrame> sent() const
    {
        std::vector<SentFrame> frames;
        std::string unit;
        for (const auto& entry : driver->log()) {
            if (entry.code == 0) {
                const auto at = entry.path.find("unit");
                unit = at == std::string::npos ? "" : entry.path.substr(at, 5);
            } else if (entry.code == kAvcRequestCode) {
                frames.push_back({unit, word(entry.input, 0), word(entry.input, 4), hex(entry.frame)});
            }
        }
        return frames;
    }

    std::vector<DWORD> controlCodes() const
    {
        std::vector<DWORD> codes;
        for (const auto& entry : driver->log())
            if (entry.code != 0 && entry.code != kAvcRequestCode)
                codes.push_back(entry.code);
        return codes;
    }

    NodeListDevice nodes{settingsProfile()};
    SettingsCommands commands{nodes, settingsProfile()};
};

struct ClockCase
{
    unsigned units;
    int index;
    std::vector<std::pair<std::string, std::string>> frames; // unit, frame
};

TEST_F(SettingsCommandsTest, ClockSourceGoesToTheFirstUnitAndTheSelectorToASecondOne)
{
    const std::string internal = "00 FF 1A 0F 60 06 60 05";
    const std::string spdif = "00 FF 1A 0F FF 83 60 05";
    const std::string selectorPlug1 = "00 08 B8 80 01 10 02 01 01";
    const std::string selectorPlug0 = "00 08 B8 80 01 10 02 00 01";
    const ClockCase cases[] = {
        {1, 0, {{"unit0", internal}}},
        {1, 1, {{"unit0", spdif}}},
        {1, 2, {{"unit0", internal}}},
        {1, -1, {{"unit0", internal}}},
        {2, 0, {{"unit0", internal}, {"unit1", selectorPlug1}}},
        {2, 1, {{"unit0", spdif}, {"unit1", selectorPlug1}}},
        {2, 2, {{"unit0", internal}, {"unit1", selectorPlug0}}},
        {2, 7, {{"unit0", internal}, {"unit1", selectorPlug1}}},
        {3, 2, {{"unit0", internal}}},
        {0, 1, {}},
    };
    for (const ClockCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.units << " units, index " << c.index);
        useUnits(c.units);
        commands.applyClockSource(c.index, static_cast<int>(c.units));
        const auto frames = sent();
        ASSERT_EQ(frames.size(), c.frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].unit, c.frames[i].first);
            EXPECT_EQ(frames[i].frame, c.frames[i].second);
            EXPECT_EQ(frames[i].requestWord, 2000u);
            EXPECT_EQ(frames[i].frameLength, i == 0 ? 8u : 9u);
        }
    }
}

TEST_F(SettingsCommandsTest, BoostFramesAddressTheInputsChannel)
{
    const struct
    {
        int input;
        bool on;
        const char* frame;
    } cases[] = {
        {0, false, "00 08 B8 81 0A 10 02 01 02 02 00 00"}, {0, true, "00 08 B8 81 0A 10 02 01 02 02 0C 00"},
        {1, true, "00 08 B8 81 0A 10 02 02 02 02 0C 00"},  {2, true, "00 08 B8 81 0B 10 02 01 02 02 0C 00"},
        {3, true, "00 08 B8 81 0B 10 02 02 02 02 0C 00"},  {3, false, "00 08 B8 81 0B 10 02 02 02 02 00 00"},
    };
    useUnits(2); // boosts go to the first unit only
    for (const auto& c : cases) {
        driver->clearLog();
        commands.sendInputBoost(c.input, c.on);
        const auto frames = sent();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].unit, "unit0");
        EXPECT_EQ(frames[0].frame, c.frame);
        EXPECT_EQ(frames[0].frameLength, 12u);
    }
    EXPECT_EQ(driver->unit(0).volume.at(11)[2], 0x0000); // Line 4 last switched off
}

TEST_F(SettingsCommandsTest, NothingIsSentWhenNoUnitCanBeOpened)
{
    useUnits(0);
    commands.sendInputBoost(0, true);
    commands.applyClockSource(0, 0);
    useUnits(1);
    driver->setApiVersion(2, 9);
    commands.sendInputBoost(0, true);
    commands.applyClockSource(1, 1);
    EXPECT_TRUE(sent().empty());
}

// A tray program runs for weeks: its commands must not leave lookups or files behind.
TEST_F(SettingsCommandsTest, CommandsGiveBackEveryHandleTheyTake)
{
    useUnits(2);
    const std::size_t before = openHandleCount();
    for (int i = 0; i < 20; ++i) {
        commands.applyClockSource(i % 3, 2);
        commands.sendInputBoost(i % 4, i % 2 == 0);
    }
    useUnits(0);
    commands.sendInputBoost(0, true); // a lookup that finds nothing
    EXPECT_EQ(openHandleCount(), before);
}

TEST_F(SettingsCommandsTest, CpuLevelIsWrittenThenAppliedEvenWhenTheWriteFails)
{
    for (const DWORD writeStatus : {DWORD{0}, DWORD{0xE0000300}}) {
        SCOPED_TRACE(writeStatus);
        driver->clearLog();
        driver->failRequests(kWriteCpuBlock, writeStatus);
        commands.setCpuLevel(settings::kCpuMedium);
        EXPECT_EQ(controlCodes(), (std::vector<DWORD>{kWriteCpuBlock, kApplyStep1, kApplyStep2}));
        const auto written = requests(kWriteCpuBlock);
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(hex(written[0].input), "00 00 00 00 00 00 00 00 00 00 00 00 D0 07 00 00");
    }
}

// A driver whose CPU block reads back a level the menu has no item for.
class OddCpuLevelDriver : public sim::SimDriver
{
public:
    bool deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         win32::IoResult& result, win32::IoCompletion onComplete) override
    {
        const bool done = SimDriver::deviceIoControl(fileId, code, in, inSize, out, outSize, result, onComplete);
        if (done && code == kReadCpuBlock && result.error == ERROR_SUCCESS)
            static_cast<std::uint32_t*>(out)[3] = 3000;
        return done;
    }
};

TEST_F(SettingsCommandsTest, CpuLevelMapsToItsMenuItem)
{
    const std::pair<std::uint32_t, UINT> cases[] = {{1000, 139}, {2000, 138}, {4000, 137}};
    for (const auto& [level, item] : cases) {
        commands.setCpuLevel(level);
        EXPECT_EQ(commands.cpuMenuItemForLevel(), item) << level;
    }
    driver->failRequests(kReadCpuBlock, 0xE0000001);
    EXPECT_EQ(commands.cpuMenuItemForLevel(), 0u);

#ifndef _WIN32 // where one simulated driver serves at a time, the test's own serves already
    win32::ScopedDriverBackend odd(std::make_shared<OddCpuLevelDriver>());
    NodeListDevice oddNodes(settingsProfile());
    ASSERT_EQ(oddNodes.open(), status::kSuccess);
    EXPECT_EQ(SettingsCommands(oddNodes, settingsProfile()).cpuMenuItemForLevel(), 3000u);
#endif
}

TEST_F(SettingsCommandsTest, BufferLengthChainStopsAtTheFirstFailure)
{
    const struct
    {
        DWORD failing;
        std::vector<DWORD> codes;
    } cases[] = {
        {0, {kWriteBufferBlock, kApplyStep1, kApplyStep2}},
        {kWriteBufferBlock, {kWriteBufferBlock}},
        {kApplyStep1, {kWriteBufferBlock, kApplyStep1}},
        {kApplyStep2, {kWriteBufferBlock, kApplyStep1, kApplyStep2}},
    };
    BufferBlock block = {};
    ASSERT_EQ(nodes.readBufferBlock(block), status::kSuccess);
    block.words[0] = 8000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        driver->clearFaults();
        driver->clearLog();
        if (c.failing != 0)
            driver->failRequests(c.failing, 0xE0000001);
        EXPECT_EQ(commands.writeBufferLength(block), c.failing == 0 ? status::kSuccess : 0xE0000001);
        EXPECT_EQ(controlCodes(), c.codes);
    }
    EXPECT_EQ(driver->bufferMicroseconds(), 8000u);
}

} // namespace
