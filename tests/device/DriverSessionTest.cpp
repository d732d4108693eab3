#include "SimulatedDriver.h"

#include "DeviceInterfaces.h"
#include "DriverSession.h"
#include "MixerFrames.h"

#include <chrono>

namespace {

constexpr DWORD kApiVersionCode = 0x80882804;

// Opens member `index` of the profile's interfaces and releases the set.
StatusCode openMember(DriverSession& session, const InterfaceProfile& profile, DWORD index = 0)
{
    DeviceInterfaceSet set(findInterfaces(profile.interfaceClass));
    return session.open(index, set.get(), &profile.interfaceClass);
}

AvcFrame fullLevelOnMic1()
{
    return mixer::volumeFrame(5, 1, mixer::levelValue(255));
}

using DriverSessionTest = SimulatedDriverTest;

TEST_F(DriverSessionTest, AvcRequestCarriesRequestWordLengthAndZeroedTail)
{
    DriverSession session(mixerProfile());
    ASSERT_EQ(openMember(session, mixerProfile()), status::kSuccess);
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kSuccess);

    const auto sent = requests(kAvcRequestCode);
    ASSERT_EQ(sent.size(), 1u);
    const auto& request = sent[0];
    ASSERT_EQ(request.input.size(), 520u);
    EXPECT_EQ(request.outputSize, 516u);
    EXPECT_EQ(request.status, 0u);
    EXPECT_EQ(word(request.input, 0), 2000u);
    EXPECT_EQ(word(request.input, 4), 12u);
    EXPECT_EQ(hex(request.frame), "00 08 B8 81 05 10 02 01 02 02 FF 00");
    for (std::size_t i = 8 + 12; i < request.input.size(); ++i)
        ASSERT_EQ(request.input[i], 0) << "byte " << i;
}

TEST_F(DriverSessionTest, SecondOpenIsRejectedAndSessionStaysUsable)
{
    DriverSession session(mixerProfile());
    ASSERT_EQ(openMember(session, mixerProfile()), status::kSuccess);
    const std::string path = session.devicePath();

    EXPECT_EQ(openMember(session, mixerProfile()), status::kOperationRejected);
    EXPECT_EQ(session.devicePath(), path);
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kSuccess);
}

TEST_F(DriverSessionTest, OpenRefusesMissingSetOrClass)
{
    DriverSession session(mixerProfile());
    DeviceInterfaceSet set(findInterfaces(mixerProfile().interfaceClass));
    EXPECT_EQ(session.open(0, nullptr, &mixerProfile().interfaceClass), status::kInvalidFunctionParameter);
    EXPECT_EQ(session.open(0, set.get(), nullptr), status::kInvalidFunctionParameter);
    EXPECT_FALSE(session.isOpen());
}

TEST_F(DriverSessionTest, MissingMemberLeavesSessionClosedAndRequestsNeverReachTheDriver)
{
    DriverSession session(mixerProfile());
    EXPECT_EQ(openMember(session, mixerProfile(), 1), status::kNoSuchDeviceInstance);
    EXPECT_FALSE(session.isOpen());

    driver->clearLog();
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kDeviceNotOpen);
    ApiVersionBlock version;
    EXPECT_EQ(session.getApiVersion(version), status::kDeviceNotOpen);
    EXPECT_EQ(ioctlCount(), 0u);
}

TEST_F(NoUnitDriverTest, LookupGivesASetButNoMember)
{
    DeviceInterfaceSet set(findInterfaces(mixerProfile().interfaceClass));
    ASSERT_NE(set.get(), nullptr);
    DriverSession session(mixerProfile());
    EXPECT_EQ(session.open(0, set.get(), &mixerProfile().interfaceClass), status::kNoSuchDeviceInstance);
}

TEST_F(DriverSessionTest, PendingRequestIsWaitedForAndGivesOneStatus)
{
    driver->completeAsynchronously(kAvcRequestCode, std::chrono::milliseconds(50));
    DriverSession session(mixerProfile());
    ASSERT_EQ(openMember(session, mixerProfile()), status::kSuccess);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kSuccess);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(40));
    EXPECT_EQ(requests(kAvcRequestCode).size(), 1u);
    EXPECT_EQ(driver->unit(0).volume.at(5)[1], 0xFF00);

    driver->failRequests(kAvcRequestCode, status::kBusReset);
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kBusReset);
}

TEST_F(DriverSessionTest, FailedRequestLeavesSessionOpen)
{
    DriverSession session(mixerProfile());
    ASSERT_EQ(openMember(session, mixerProfile()), status::kSuccess);
    driver->failRequests(kAvcRequestCode, status::kRequestTimeout);
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kRequestTimeout);

    driver->clearFaults();
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kSuccess);
}

TEST_F(DriverSessionTest, ClosedSessionCanBeOpenedAgain)
{
    DriverSession session(mixerProfile());
    ASSERT_EQ(openMember(session, mixerProfile()), status::kSuccess);
    session.close();
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kDeviceNotOpen);
    EXPECT_EQ(openMember(session, mixerProfile()), status::kSuccess);
    EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kSuccess);
}

TEST_F(TwoUnitDriverTest, MemberOneIsTheSecondUnit)
{
    DriverSession session(mixerProfile());
    ASSERT_EQ(openMember(session, mixerProfile(), 1), status::kSuccess);
    ASSERT_EQ(session.sendAvcFrame(mixer::volumeFrame(7, 2, mixer::levelValue(128))), status::kSuccess);
    EXPECT_EQ(driver->unit(1).volume.at(7)[2], 0xC000);
    EXPECT_EQ(driver->unit(0).volume.count(7) ? driver->unit(0).volume.at(7)[2] : 0, 0);
}

struct ApiVersionCase
{
    std::uint8_t major;
    std::uint8_t minor;
    bool accepted;
};

class ApiVersionCheckTest : public SimulatedDriverTest, public ::testing::WithParamInterface<ApiVersionCase>
{
};

TEST_P(ApiVersionCheckTest, SettingsSessionAcceptsOnly2Point10AndLater)
{
    const ApiVersionCase& version = GetParam();
    driver->setApiVersion(version.major, version.minor);
    driver->clearLog();
    DriverSession session(settingsProfile());

    const StatusCode opened = openMember(session, settingsProfile());
    EXPECT_EQ(opened, version.accepted ? status::kSuccess : status::kDriverApiVersionRefused);
    EXPECT_EQ(session.isOpen(), version.accepted);
    std::vector<sim::LogEntry> asked;
    for (const auto& entry : driver->log())
        if (entry.code == kApiVersionCode)
            asked.push_back(entry);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].input.empty());
    EXPECT_EQ(asked[0].outputSize, 12u);
    if (!version.accepted) {
        EXPECT_EQ(session.sendAvcFrame(fullLevelOnMic1()), status::kDeviceNotOpen);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, ApiVersionCheckTest,
                         ::testing::Values(ApiVersionCase{2, 9, false}, ApiVersionCase{1, 12, false},
                                           ApiVersionCase{3, 10, false}, ApiVersionCase{2, 10, true},
                                           ApiVersionCase{2, 255, true}));

TEST_F(DriverSessionTest, SettingsSessionReportsAFailedVersionRequestAndCloses)
{
    driver->failRequests(kApiVersionCode, status::kUnsupportedSpeed);
    DriverSession session(settingsProfile());
    EXPECT_EQ(openMember(session, settingsProfile()), status::kUnsupportedSpeed);
    EXPECT_FALSE(session.isOpen());
}

TEST_F(DriverSessionTest, MixerSessionDoesNotAskForTheApiVersion)
{
    driver->setApiVersion(1, 12);
    DriverSession session(mixerProfile());
    EXPECT_EQ(openMember(session, mixerProfile()), status::kSuccess);
    EXPECT_TRUE(requests(kApiVersionCode).empty());
}

} // namespace
