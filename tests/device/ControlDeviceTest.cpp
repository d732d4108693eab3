#include "SimulatedDriver.h"

#include "ControlDevice.h"
#include "NodeListDevice.h"

#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

constexpr DWORD kApiVersionCode = 0x80882804;

struct ProfileCase
{
    const InterfaceProfile* profile;
    DWORD directoryCode;
    DWORD recordCode;
    DWORD recordSize;
};

class NodeDirectoryTest : public SimulatedDriverTest, public ::testing::WithParamInterface<ProfileCase>
{
protected:
    NodeDirectoryTest() : SimulatedDriverTest(2) {}
    const InterfaceProfile& profile() const { return *GetParam().profile; }
};

TEST_P(NodeDirectoryTest, ReadsDirectoryThenOneRecordPerNode)
{
    ControlDevice control(profile());
    ASSERT_EQ(control.open(), status::kSuccess);
    driver->clearLog();
    EXPECT_EQ(control.readNodes(), status::kSuccess);
    EXPECT_EQ(control.nodeCount(), 2u);

    const auto log = driver->log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].code, GetParam().directoryCode);
    EXPECT_EQ(log[0].outputSize, 260u);
    EXPECT_TRUE(log[0].input.empty());
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(log[i].code, GetParam().recordCode);
        EXPECT_EQ(log[i].outputSize, GetParam().recordSize);
        ASSERT_EQ(log[i].input.size(), 4u);
        EXPECT_EQ(word(log[i].input, 0), driver->unit(i - 1).nodeId);
    }
}

TEST_P(NodeDirectoryTest, EmptyDirectoryEmptiesTheList)
{
    ControlDevice control(profile());
    ASSERT_EQ(control.open(), status::kSuccess);
    ASSERT_EQ(control.readNodes(), status::kSuccess);
    ASSERT_EQ(control.nodeCount(), 2u);

    driver->setNodeDirectory({});
    driver->clearLog();
    EXPECT_EQ(control.readNodes(), status::kSuccess);
    EXPECT_EQ(control.nodeCount(), 0u);
    EXPECT_EQ(driver->log().size(), 1u);
}

TEST_P(NodeDirectoryTest, FailingRecordsAreSkipped)
{
    driver->failNodeRecord(driver->unit(0).nodeId, status::kBusReset);
    ControlDevice control(profile());
    ASSERT_EQ(control.open(), status::kSuccess);

    const StatusCode result = control.readNodes();
    // Only the settings program reports which record failed; the mixer just counts.
    EXPECT_EQ(result, profile().reportsNodeRecordFailures ? status::kBusReset : status::kSuccess);
    EXPECT_EQ(control.nodeCount(), 1u);
    EXPECT_EQ(requests(GetParam().recordCode).size(), 2u);
}

TEST_P(NodeDirectoryTest, ReadsAtMost64Nodes)
{
    std::vector<std::uint32_t> ids;
    for (std::uint32_t id = 1; id <= 70; ++id)
        ids.push_back(id);
    driver->setNodeDirectory(ids);
    ControlDevice control(profile());
    ASSERT_EQ(control.open(), status::kSuccess);
    control.readNodes();

    const auto records = requests(GetParam().recordCode);
    ASSERT_EQ(records.size(), 64u);
    EXPECT_EQ(word(records.back().input, 0), 64u);
}

TEST_P(NodeDirectoryTest, FailedDirectoryReadIsReturned)
{
    driver->failRequests(GetParam().directoryCode, status::kRequestTimeout);
    ControlDevice control(profile());
    ASSERT_EQ(control.open(), status::kSuccess);
    EXPECT_EQ(control.readNodes(), status::kRequestTimeout);
    EXPECT_EQ(control.nodeCount(), 0u);
    EXPECT_TRUE(requests(GetParam().recordCode).empty());
}

INSTANTIATE_TEST_SUITE_P(Programs, NodeDirectoryTest,
                         ::testing::Values(ProfileCase{&mixerProfile(), 0x80882040, 0x80882044, 424},
                                           ProfileCase{&settingsProfile(), 0x80882860, 0x80882920, 432}));

using ControlDeviceTest = SimulatedDriverTest;

TEST_F(ControlDeviceTest, RequestsWithoutHandleNeverReachTheDriver)
{
    ControlDevice mixerControl(mixerProfile());
    ControlDevice settingsControl(settingsProfile());
    CpuBlock cpu;
    EXPECT_EQ(mixerControl.ioctl(0x80882040, nullptr, 0, nullptr, 0), status::kOperationFailed);
    EXPECT_EQ(mixerControl.readNodes(), status::kOperationFailed);
    EXPECT_EQ(settingsControl.readCpuBlock(cpu), status::kControlPathNotOpen);
    EXPECT_EQ(settingsControl.readNodes(), status::kControlPathNotOpen);
    EXPECT_EQ(ioctlCount(), 0u);
}

TEST_F(ControlDeviceTest, OpeningAnOpenPathIsANoOp)
{
    ControlDevice control(settingsProfile());
    ASSERT_EQ(control.open(), status::kSuccess);
    ASSERT_EQ(control.open(), status::kSuccess);
    EXPECT_EQ(requests(kApiVersionCode).size(), 1u);
}

TEST_F(ControlDeviceTest, ControlPathsAreTheDriverNames)
{
    EXPECT_EQ(controlPath(mixerProfile()), "\\\\.\\{006902CB-E626-45b4-8A62-2EAAD63F8D12}");
    EXPECT_EQ(controlPath(settingsProfile()), "\\\\.\\{34F6CC0C-BE3A-4f6e-BE12-47E58C84B08D}");
}

TEST_F(ControlDeviceTest, SettingsPathRefusesOldDriverAndCloses)
{
    driver->setApiVersion(2, 9);
    ControlDevice control(settingsProfile());
    EXPECT_EQ(control.open(), status::kDriverApiVersionRefused);
    EXPECT_FALSE(control.isOpen());

    driver->setApiVersion(2, 10);
    EXPECT_EQ(control.open(), status::kSuccess);
}

TEST_F(ControlDeviceTest, SettingsBlocksUseTheirRequestsAndSizes)
{
    NodeListDevice control(settingsProfile());
    ASSERT_EQ(control.open(), status::kSuccess);
    driver->clearLog();

    CpuBlock cpu;
    BufferBlock buffer;
    NotificationBlock notification;
    ASSERT_EQ(control.readCpuBlock(cpu), status::kSuccess);
    EXPECT_EQ(cpu.words[kCpuSettingWord], driver->cpuLevel());
    ASSERT_EQ(control.readBufferBlock(buffer), status::kSuccess);
    EXPECT_EQ(buffer.words[kBufferLengthWord], driver->bufferMicroseconds());
    ASSERT_EQ(control.readClock(), status::kSuccess);
    EXPECT_EQ(control.sampleRate(), driver->sampleRate());

    CpuBlock newCpu = {{0, 0, 0, 4000}};
    EXPECT_EQ(control.writeCpuBlock(newCpu), status::kSuccess);
    buffer.words[kBufferLengthWord] = 3000;
    EXPECT_EQ(control.writeBufferBlock(buffer), status::kSuccess);
    EXPECT_EQ(control.writeSampleRate(96000), status::kSuccess);
    EXPECT_EQ(control.applyStep1(), status::kSuccess);
    EXPECT_EQ(control.applyStep2(), status::kSuccess);
    control.readNotification(notification);

    struct Expected
    {
        DWORD code;
        std::size_t inputSize;
        DWORD outputSize;
    };
    const Expected expected[] = {
        {0x80882A80, 0, 16}, {0x80882A88, 0, 16}, {0x808828C0, 0, 44}, {0x80882A84, 16, 0}, {0x80882A8C, 16, 0},
        {0x808828C4, 8, 0},  {0x80882A04, 0, 0},  {0x80882A00, 0, 0},  {0x80882828, 0, 12},
    };
    const auto log = driver->log();
    ASSERT_EQ(log.size(), std::size(expected));
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].code, expected[i].code) << "request " << i;
        EXPECT_EQ(log[i].input.size(), expected[i].inputSize) << "request " << i;
        EXPECT_EQ(log[i].outputSize, expected[i].outputSize) << "request " << i;
    }
    EXPECT_EQ(word(log[3].input, 12), 4000u);
    EXPECT_EQ(word(log[4].input, 0), 3000u);
    EXPECT_EQ(word(log[5].input, 0), 0u);
    EXPECT_EQ(word(log[5].input, 4), 96000u);
}

// With no driver installed and no daemon answering, the control path cannot be
// opened: the mixer reports its own status, the settings program the system's.
class NoDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifdef _WIN32
        // No host serves the simulated driver here: its kernel half answers no open.
#else
        const char* previous = std::getenv("TESSARY_DRIVER_SOCKET");
        saved = previous ? previous : "";
        hadValue = previous != nullptr;
        const std::string nowhere = "/tmp/tessary-no-driver-" + std::to_string(getpid());
        setenv("TESSARY_DRIVER_SOCKET", nowhere.c_str(), 1);
        win32::setDriverBackend(nullptr);
#endif
    }
    void TearDown() override
    {
#ifndef _WIN32
        if (hadValue)
            setenv("TESSARY_DRIVER_SOCKET", saved.c_str(), 1);
        else
            unsetenv("TESSARY_DRIVER_SOCKET");
#endif
    }
    std::string saved;
    bool hadValue = false;
};

TEST_F(NoDriverTest, ControlPathOpenFailureStatusDependsOnTheProgram)
{
    ControlDevice mixerControl(mixerProfile());
#ifdef _WIN32
    if (runsUnderWine()) {
        // Wine hands the program its handle before the driver has answered the
        // create: the refusal comes with the first request instead of the open.
        mixerControl.open();
        ApiVersionBlock version;
        EXPECT_NE(mixerControl.getApiVersion(version), status::kSuccess);
    } else
#endif
        EXPECT_EQ(mixerControl.open(), status::kOperationFailed);
    ControlDevice settingsControl(settingsProfile());
    const StatusCode settingsResult = settingsControl.open();
    EXPECT_NE(settingsResult, status::kSuccess);
    EXPECT_FALSE(status::isOwnStatus(settingsResult));
    EXPECT_FALSE(settingsControl.isOpen());
}

} // namespace
