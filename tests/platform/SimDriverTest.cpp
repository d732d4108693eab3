#include "SimDriverTestSupport.h"

#include <thread>

using namespace testing_support;
using Bytes = std::vector<std::uint8_t>;

namespace {
constexpr const char* kMixerControlPath = "\\\\.\\{006902CB-E626-45b4-8A62-2EAAD63F8D12}";
}

TEST_F(SimDriverTest, ControlPathsOfBothProgramsOpenWhateverTheirCase)
{
    EXPECT_NE(open(kMixerControlPath), INVALID_HANDLE_VALUE);
    EXPECT_NE(control(), INVALID_HANDLE_VALUE);
    EXPECT_NE(open("\\\\.\\{006902cb-e626-45b4-8a62-2eaad63f8d12}"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(open("\\\\.\\{006902CB-E626-45b4-8A62-2EAAD63F8D13}"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(open("\\\\.\\{006902CB-E626-45b4-8A62-2EAAD63F8D12}x"), INVALID_HANDLE_VALUE);
}

TEST_F(SimDriverTest, EachUnitOffersBothInterfaceClasses)
{
    driver->plug();
    for (const GUID* guid : {&sim::kMixerInterfaceClass, &sim::kSettingsInterfaceClass}) {
        HDEVINFO set = SetupDiGetClassDevsA(guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        for (DWORD member = 0; member < 2; ++member) {
            SP_DEVICE_INTERFACE_DATA data{};
            data.cbSize = 28;
            ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, guid, member, &data));
            DWORD required = 0;
            SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
            std::vector<std::uint8_t> storage(required);
            auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(storage.data());
            detail->cbSize = 5;
            ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr));
            EXPECT_EQ(detail->DevicePath, sim::unitInterfacePath(member, *guid));
            EXPECT_NE(open(detail->DevicePath), INVALID_HANDLE_VALUE);
        }
        SetupDiDestroyDeviceInfoList(set);
    }
}

TEST_F(SimDriverTest, ApiVersionAndItsInjectedReplacement)
{
    HANDLE file = control();
    Reply reply = ioctl(file, 0x80882804, {}, 12);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.bytes, 12u);
    EXPECT_EQ(reply.out[0], 2);
    EXPECT_GE(reply.out[1], 10);
    driver->setApiVersion(2, 9);
    reply = ioctl(file, 0x80882804, {}, 12);
    EXPECT_EQ(reply.out[0], 2);
    EXPECT_EQ(reply.out[1], 9);
}

TEST_F(SimDriverTest, NodeDirectoryAndRecordsForBothProfiles)
{
    driver->plug();
    HANDLE file = control();
    for (auto [directoryCode, recordCode, recordSize] :
         {std::tuple<DWORD, DWORD, DWORD>{0x80882040, 0x80882044, 424}, {0x80882860, 0x80882920, 432}}) {
        Reply directory = ioctl(file, directoryCode, {}, 260);
        ASSERT_TRUE(directory.ok);
        ASSERT_EQ(word(directory.out, 0), 2u);
        for (std::size_t i = 1; i <= 2; ++i) {
            Reply record = ioctl(file, recordCode, words({word(directory.out, i)}), recordSize);
            EXPECT_TRUE(record.ok);
            EXPECT_EQ(record.bytes, recordSize);
        }
        EXPECT_EQ(ioctl(file, recordCode, words({0x1234}), recordSize).error, 0xE0000300u) << "unknown node";
        EXPECT_EQ(ioctl(file, recordCode, words({word(directory.out, 1)}), recordSize - 1).error, 0xE0000320u);
        EXPECT_EQ(ioctl(file, recordCode, {}, recordSize).error, 0xE0000305u);
    }
}

TEST_F(SimDriverTest, NodeDirectoryOverrideAndFailingRecords)
{
    HANDLE file = control();
    std::vector<std::uint32_t> many;
    for (std::uint32_t i = 0; i < 70; ++i)
        many.push_back(0xFFC0 + i);
    driver->setNodeDirectory(many);
    Reply directory = ioctl(file, 0x80882860, {}, 260);
    ASSERT_TRUE(directory.ok);
    EXPECT_EQ(word(directory.out, 0), 70u) << "the count is the driver's; only 64 ids fit the block";
    EXPECT_EQ(word(directory.out, 64), 0xFFC0u + 63);

    driver->failNodeRecord(0xFFC1, 0xE0000350);
    EXPECT_EQ(ioctl(file, 0x80882920, words({0xFFC1}), 432).error, 0xE0000350u);
    EXPECT_TRUE(ioctl(file, 0x80882920, words({0xFFC2}), 432).ok);
}

TEST_F(SimDriverTest, ClockCpuAndBufferBlocksReadBackWhatWasWritten)
{
    HANDLE file = control();
    Reply clock = ioctl(file, 0x808828C0, {}, 44);
    ASSERT_TRUE(clock.ok);
    EXPECT_EQ(word(clock.out, 1), 48000u);
    EXPECT_TRUE(ioctl(file, 0x808828C4, words({0, 96000}), 0).ok);
    EXPECT_EQ(word(ioctl(file, 0x808828C0, {}, 44).out, 1), 96000u);
    EXPECT_EQ(ioctl(file, 0x808828C4, words({0, 12345}), 0).error, 0xE0000300u);
    EXPECT_EQ(driver->sampleRate(), 96000u);

    EXPECT_TRUE(ioctl(file, 0x80882A84, words({0, 0, 0, 4000}), 0).ok);
    EXPECT_EQ(word(ioctl(file, 0x80882A80, {}, 16).out, 3), 4000u);
    EXPECT_EQ(ioctl(file, 0x80882A84, words({0, 0, 0, 3000}), 0).error, 0xE0000300u);
    EXPECT_EQ(driver->cpuLevel(), 4000u);

    Reply buffer = ioctl(file, 0x80882A88, {}, 16);
    ASSERT_TRUE(buffer.ok);
    EXPECT_TRUE(ioctl(file, 0x80882A8C, words({10000, word(buffer.out, 1), word(buffer.out, 2), 0}), 0).ok);
    EXPECT_EQ(word(ioctl(file, 0x80882A88, {}, 16).out, 0), 10000u);
    EXPECT_EQ(driver->bufferMicroseconds(), 10000u);
    EXPECT_TRUE(ioctl(file, 0x80882A04, {}, 0).ok);
    EXPECT_TRUE(ioctl(file, 0x80882A00, {}, 0).ok);
    EXPECT_EQ(ioctl(file, 0x80882A8C, words({10000}), 0).error, 0xE0000305u);
}

TEST_F(SimDriverTest, RequestsOnTheWrongPathFail)
{
    EXPECT_EQ(ioctl(control(), 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).error, 0xE0000342u);
    EXPECT_EQ(ioctl(unit(), 0x80882860, {}, 260).error, 0xE0000342u);
    EXPECT_EQ(ioctl(control(), 0x80889999, {}, 0).error, 1u);
}

TEST_F(SimDriverTest, UnitPathsAnswerTheApiVersionToo)
{
    driver->setApiVersion(2, 11);
    Reply reply = ioctl(unit(), 0x80882804, {}, 12);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.out[0], 2);
    EXPECT_EQ(reply.out[1], 11);
}

TEST_F(SimDriverTest, NotificationsSetTheRegisteredEventAndQueueInOrder)
{
    HANDLE file = control();
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const auto handleValue = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(event));
    ASSERT_TRUE(ioctl(file, 0x80882820, words({handleValue}), 0).ok);
    EXPECT_EQ(ioctl(file, 0x80882828, {}, 12).error, DWORD(ERROR_NO_MORE_ITEMS));

    driver->queueNotification(1);
    driver->queueNotification(3);
    EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_OBJECT_0);
    EXPECT_EQ(word(ioctl(file, 0x80882828, {}, 12).out, 0), 1u);
    EXPECT_EQ(word(ioctl(file, 0x80882828, {}, 12).out, 0), 3u);
    EXPECT_EQ(ioctl(file, 0x80882828, {}, 12).error, DWORD(ERROR_NO_MORE_ITEMS));

    driver->plug();
    EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_OBJECT_0) << "a plugged unit is announced";
    EXPECT_EQ(word(ioctl(file, 0x80882828, {}, 12).out, 0), 2u);
    CloseHandle(event);
}

TEST_F(SimDriverTest, EachRegisteredFileDrainsItsOwnNotificationQueue)
{
    HANDLE first = control();
    HANDLE second = control();
    HANDLE unregistered = control();
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const auto handleValue = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(event));
    ASSERT_TRUE(ioctl(first, 0x80882820, words({handleValue}), 0).ok);
    ASSERT_TRUE(ioctl(second, 0x80882820, words({handleValue}), 0).ok);

    driver->queueNotification(2);
    driver->queueNotification(3);
    for (HANDLE file : {first, second}) {
        EXPECT_EQ(word(ioctl(file, 0x80882828, {}, 12).out, 0), 2u);
        EXPECT_EQ(word(ioctl(file, 0x80882828, {}, 12).out, 0), 3u);
        EXPECT_EQ(ioctl(file, 0x80882828, {}, 12).error, DWORD(ERROR_NO_MORE_ITEMS));
    }
    EXPECT_EQ(ioctl(unregistered, 0x80882828, {}, 12).error, DWORD(ERROR_NO_MORE_ITEMS))
        << "a file that asked for no notifications gets none";
    CloseHandle(event);
}

TEST_F(SimDriverTest, UnpluggingInvalidatesTheUnitsOpenFilesForGood)
{
    HANDLE file = unit(0);
    ASSERT_TRUE(driver->unplug());
    EXPECT_FALSE(driver->unplug());
    Reply reply = ioctl(file, 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516);
    EXPECT_EQ(reply.error, 0xE0008001u);
    EXPECT_EQ(unit(0), INVALID_HANDLE_VALUE);

    driver->plug();
    EXPECT_EQ(ioctl(file, 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).error, 0xE0008001u)
        << "a replugged unit is a new device";
    EXPECT_TRUE(ioctl(unit(0), 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).ok);
}

TEST_F(SimDriverTest, InjectedFailureAppliesToItsCodeUntilCleared)
{
    HANDLE file = control();
    driver->failRequests(0x80882804, 0xE0000110);
    EXPECT_EQ(ioctl(file, 0x80882804, {}, 12).error, 0xE0000110u);
    EXPECT_TRUE(ioctl(file, 0x808828C0, {}, 44).ok);
    driver->failRequests(0x80882804, 0);
    EXPECT_TRUE(ioctl(file, 0x80882804, {}, 12).ok);
    driver->failRequests(0x80883004, 0xE0008003);
    EXPECT_EQ(ioctl(unit(), 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).error, 0xE0008003u);
    driver->clearFaults();
    EXPECT_TRUE(ioctl(unit(), 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).ok);
}

TEST_F(SimDriverTest, AsynchronousCompletionPendsOnOverlappedHandles)
{
    driver->completeAsynchronously(0x80883004, std::chrono::milliseconds(30));
    HANDLE file = CreateFileA(sim::unitInterfacePath(0, sim::kSettingsInterfaceClass).c_str(),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    opened.push_back(file);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Bytes request = avcRequest({0x00, 0x08, 0xB8, 0x80, 0x06, 0x10, 0x02, 0x02, 0x01});
    Bytes response(516, 0);
    DWORD bytes = 0;
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_FALSE(DeviceIoControl(file, 0x80883004, request.data(), 520, response.data(), 516, &bytes, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    // The response belongs to the driver until the request completes: it is
    // read only once GetOverlappedResult has waited for that.
    ASSERT_TRUE(GetOverlappedResult(file, &overlapped, &bytes, TRUE));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(30)) << "completed when due";
    EXPECT_EQ(bytes, 516u);
    EXPECT_EQ(response[4], 0x09);
    CloseHandle(overlapped.hEvent);

    EXPECT_TRUE(ioctl(control(), 0x80882804, {}, 12).ok) << "other codes still complete at once";
}

TEST_F(SimDriverTest, EveryRequestIsLoggedWithProgramCodeStatusAndFrame)
{
    driver->setClientName("TessaryMixer");
    driver->clearLog();
    HANDLE file = unit();
    avc({0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0xFF, 0x00}, file);
    ioctl(control(), 0x80882804, {}, 11);
    const auto log = driver->log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[1].line(), "TessaryMixer 0x80883004 -> 0x00000000 00 08 B8 81 05 10 02 01 02 02 FF 00");
    EXPECT_EQ(log[3].line(), "TessaryMixer 0x80882804 -> 0xE0000320");
    EXPECT_NE(log[0].line().find("open \\\\?\\1394#tessary&unit0#"), std::string::npos);
    EXPECT_LT(log[0].sequence, log[3].sequence);
}

// A program name or path is the client's to choose: a newline in it must not
// start a forged line of the log, nor an escape sequence drive the terminal.
TEST_F(SimDriverTest, LoggedNamesAndPathsShowControlCharactersEscaped)
{
    const struct
    {
        std::string given;
        std::string shown;
    } cases[] = {
        {"TessaryMixer", "TessaryMixer"},
        {"Evil\nTessaryMixer 0x80883004 -> 0x00000000", "Evil\\x0ATessaryMixer 0x80883004 -> 0x00000000"},
        {"\x1B]0;owned\x07\x1B[2J", "\\x1B]0;owned\\x07\\x1B[2J"},
        {std::string("a\0b\r\x7F", 5), "a\\x00b\\x0D\\x7F"},
        {"\xC2\x9B"
         "31m",
         "\\xC2\\x9B31m"}, // C1 CSI written as UTF-8
        {"\x9B"
         "31m",
         "\\x9B31m"},                                               // C1 CSI as a bare byte
        {"Mix\xC3\xA9r \xE2\x82\xAC", "Mix\xC3\xA9r \xE2\x82\xAC"}, // printable UTF-8 stays
        {"\xE2\x82", "\\xE2\\x82"},                                 // cut short
        {"\xC0\xAF", "\\xC0\\xAF"},                                 // overlong
    };
    for (const auto& c : cases)
        EXPECT_EQ(sim::printableText(c.given), c.shown) << c.shown;

    driver->setClientName("Evil\nTessaryMixer");
    driver->clearLog();
    ioctl(control(), 0x80882804, {}, 11);
    const auto log = driver->log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().line(), "Evil\\x0ATessaryMixer 0x80882804 -> 0xE0000320");
    EXPECT_EQ(log.back().line().find('\n'), std::string::npos);
}

TEST_F(SimDriverTest, ConcurrentClientsKeepTheDriverConsistent)
{
    std::vector<std::thread> clients;
    for (int t = 0; t < 4; ++t)
        clients.emplace_back([this, t] {
            HANDLE file = CreateFileA(sim::unitInterfacePath(0, sim::kMixerInterfaceClass).c_str(), 0, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            for (int i = 0; i < 200; ++i) {
                const std::uint8_t level = static_cast<std::uint8_t>(0x80 + i % 100);
                ioctl(file, 0x80883004,
                      avcRequest({0x00, 0x08, 0xB8, 0x81, std::uint8_t(5 + t), 0x10, 0x02, 0x01, 0x02, 0x02, level, 0}),
                      516);
                if (t == 0 && i % 50 == 0)
                    driver->queueNotification(1);
            }
            CloseHandle(file);
        });
    for (auto& c : clients)
        c.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(driver->unit(0).volume.at(5 + t)[1], (0x80 + 199 % 100) << 8);
}

TEST_F(SimDriverTest, ConnectingAUnitAppliesTheConfiguredStreamBufferDepth)
{
    EXPECT_EQ(driver->streamBufferDepth(), 2000u);
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\VRD_1394\\ConfigDB\\Settings", &key),
        ERROR_SUCCESS)
        << "connecting installs the driver's settings key";
    const DWORD depth = 6000;
    RegSetValueExA(key, "IsoStreamBufferDepth[us]", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&depth), 4);
    RegCloseKey(key);
    EXPECT_EQ(driver->streamBufferDepth(), 2000u) << "read when a unit connects, not on every request";
    driver->plug();
    EXPECT_EQ(driver->streamBufferDepth(), 6000u);
}
