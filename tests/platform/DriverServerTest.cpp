#include "DaemonProcess.h"
#include "SimDriverTestSupport.h"

#include <DriverServer.h>
#include <driverprotocol/DriverProtocol.h>
#include <win32/DriverSocketClient.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace testing_support;
using namespace driverprotocol;
using Bytes = std::vector<std::uint8_t>;

namespace {

int connectRaw(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

void sendRaw(int fd, const Bytes& bytes)
{
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

// Whether the daemon closed this connection (recv sees the end within a second).
bool closedByDaemon(int fd)
{
    timeval timeout{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::uint8_t buffer[256];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            return true;
        if (n < 0)
            return false;
    }
}

} // namespace

class DaemonTest : public testing::Test
{
protected:
    ScopedRegistry registry;
    std::string folder;
    std::string socketPath;
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    std::unique_ptr<sim::DriverServer> server;
    std::shared_ptr<win32::DriverSocketClient> client;
    std::unique_ptr<win32::ScopedDriverBackend> installed;

    void SetUp() override
    {
        std::string pattern = "/tmp/tessary-daemon-XXXXXX";
        folder = ::mkdtemp(pattern.data());
        socketPath = folder + "/run/driver.sock";
        startServer();
        win32::setProgramName("DaemonTest");
        client = std::make_shared<win32::DriverSocketClient>(socketPath);
        installed = std::make_unique<win32::ScopedDriverBackend>(client);
    }

    void TearDown() override
    {
        installed.reset();
        client.reset();
        server.reset();
        win32::setProgramName("");
        std::filesystem::remove_all(folder);
    }

    void startServer()
    {
        server = std::make_unique<sim::DriverServer>(driver, socketPath);
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
    }

    HANDLE openUnit(DWORD flags = 0)
    {
        return CreateFileA(sim::unitInterfacePath(0, sim::kMixerInterfaceClass).c_str(), GENERIC_READ | GENERIC_WRITE,
                           0, nullptr, OPEN_EXISTING, flags, nullptr);
    }

    bool goodClientIsServed()
    {
        win32::DriverSocketClient fresh(socketPath);
        auto reply = fresh.admin(AdminCommand::Status);
        return reply && reply->error == 0 && reply->text.find("1 unit") != std::string::npos;
    }
};

TEST_F(DaemonTest, SocketIsPrivateToItsUser)
{
    struct stat info
    {
    };
    ASSERT_EQ(::stat(socketPath.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((folder + "/run").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(DaemonTest, ProgramsReachTheDriverThroughTheSocket)
{
    const GUID guid = sim::kMixerInterfaceClass;
    HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = 28;
    EXPECT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 1, &data));
    SetupDiDestroyDeviceInfoList(set);

    HANDLE unit = openUnit();
    ASSERT_NE(unit, INVALID_HANDLE_VALUE);
    const Bytes frame = {0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0xC0, 0x00};
    Reply reply = ioctl(unit, 0x80883004, avcRequest(frame), 516);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.bytes, 516u);
    EXPECT_EQ(reply.out[4], 0x09);
    EXPECT_EQ(driver->unit(0).volume.at(5)[1], 0xC000);
    EXPECT_EQ(ioctl(unit, 0x80883004, avcRequest(frame, 7), 516).error, 0xE0000300u);
    CloseHandle(unit);

    const auto log = driver->log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1].line(), "DaemonTest 0x80883004 -> 0x00000000 00 08 B8 81 05 10 02 01 02 02 C0 00");
}

TEST_F(DaemonTest, NotificationsSetTheProgramsEvent)
{
    HANDLE control = CreateFileA("\\\\.\\{34F6CC0C-BE3A-4f6e-BE12-47E58C84B08D}", GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(control, INVALID_HANDLE_VALUE);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(event));
    ASSERT_TRUE(ioctl(control, 0x80882820, words({value}), 0).ok);
    driver->queueNotification(3);
    EXPECT_EQ(WaitForSingleObject(event, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(word(ioctl(control, 0x80882828, {}, 12).out, 0), 3u);
    CloseHandle(event);
    CloseHandle(control);
}

TEST_F(DaemonTest, AsynchronousCompletionTravelsBackAsPending)
{
    driver->completeAsynchronously(0, std::chrono::milliseconds(40));
    HANDLE unit = openUnit(FILE_FLAG_OVERLAPPED);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Bytes request = avcRequest({0x00, 0x08, 0xB8, 0x80, 0x04, 0x10, 0x02, 0x03, 0x01});
    Bytes response(516, 0);
    DWORD bytes = 0;
    EXPECT_FALSE(DeviceIoControl(unit, 0x80883004, request.data(), 520, response.data(), 516, &bytes, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    ASSERT_TRUE(GetOverlappedResult(unit, &overlapped, &bytes, TRUE));
    EXPECT_EQ(bytes, 516u);
    EXPECT_EQ(response[4], 0x09);
    CloseHandle(overlapped.hEvent);
    CloseHandle(unit);
}

TEST_F(DaemonTest, BadClientsLoseOnlyTheirOwnConnection)
{
    const int garbage = connectRaw(socketPath);
    sendRaw(garbage, Bytes(64, 0x5A));
    EXPECT_TRUE(closedByDaemon(garbage));
    ::close(garbage);

    const int oversized = connectRaw(socketPath);
    Bytes header = encode({MessageType::Hello, 0, {}});
    const std::uint32_t huge = 0x7FFFFFFF;
    std::memcpy(header.data() + 12, &huge, 4);
    sendRaw(oversized, header);
    EXPECT_TRUE(closedByDaemon(oversized));
    ::close(oversized);

    const int badPayload = connectRaw(socketPath);
    sendRaw(badPayload, encode({MessageType::Ioctl, 1, Writer().u32(5).take()}));
    EXPECT_TRUE(closedByDaemon(badPayload));
    ::close(badPayload);

    const int unknownType = connectRaw(socketPath);
    sendRaw(unknownType, encode({static_cast<MessageType>(0x4242), 1, {}}));
    EXPECT_TRUE(closedByDaemon(unknownType));
    ::close(unknownType);

    const int truncated = connectRaw(socketPath);
    Bytes partial = encode({MessageType::Open, 1, Writer().string("\\\\.\\{x}").take()});
    partial.resize(partial.size() - 3);
    sendRaw(truncated, partial);
    const int stalled = connectRaw(socketPath); // sends half a header and waits
    sendRaw(stalled, Bytes(partial.begin(), partial.begin() + 5));
    EXPECT_TRUE(goodClientIsServed()) << "a half-sent message blocks no one else";
    ::close(truncated);
    ::close(stalled);

    EXPECT_TRUE(goodClientIsServed());
}

TEST_F(DaemonTest, ClientVanishingMidRequestLeavesTheDaemonServing)
{
    driver->completeAsynchronously(0, std::chrono::milliseconds(50));
    const int vanishing = connectRaw(socketPath);
    sendRaw(vanishing, encode({MessageType::Open, 1,
                               Writer().string(sim::unitInterfacePath(0, sim::kMixerInterfaceClass)).take()}));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Bytes request = avcRequest({0x00, 0x08, 0xB8});
    sendRaw(vanishing, encode({MessageType::Ioctl, 2,
                               Writer().u64(1).u32(0x80883004).u32(516).bytes(request.data(), request.size()).take()}));
    ::close(vanishing);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the completion finds the client gone
    driver->clearFaults();
    EXPECT_TRUE(goodClientIsServed());
    HANDLE unit = openUnit();
    EXPECT_TRUE(ioctl(unit, 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).ok);
    CloseHandle(unit);
}

TEST_F(DaemonTest, DaemonGoingAwayLooksLikeTheDriverGoingAway)
{
    HANDLE unit = openUnit();
    ASSERT_NE(unit, INVALID_HANDLE_VALUE);
    server.reset();
    EXPECT_EQ(ioctl(unit, 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).error, win32::kDriverGoneStatus);
    EXPECT_EQ(openUnit(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(socketPath)) << "the socket is removed";

    startServer();
    EXPECT_EQ(ioctl(unit, 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).error, win32::kDriverGoneStatus)
        << "files of the old connection stay dead";
    HANDLE again = openUnit();
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the client reconnects; error " << GetLastError();
    CloseHandle(again);
    CloseHandle(unit);
}

TEST_F(DaemonTest, SecondDaemonOnTheSamePathIsRefusedButAStaleSocketIsReplaced)
{
    sim::DriverServer second(driver, socketPath);
    std::string error;
    EXPECT_FALSE(second.start(error));
    EXPECT_NE(error.find("already running"), std::string::npos);

    server.reset();
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0); // bound but never listening: a dead daemon's socket
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    startServer();
    EXPECT_TRUE(goodClientIsServed());
    ::close(stale);
}

TEST_F(DaemonTest, AdministrationChangesTheDriverAndShowsTheLog)
{
    EXPECT_EQ(client->admin(AdminCommand::Plug)->text, "plugged unit 1");
    EXPECT_EQ(driver->unitCount(), 2u);
    EXPECT_EQ(client->admin(AdminCommand::FailCode, 0x80882804, 0xE0000110)->error, 0u);
    EXPECT_EQ(driver->injectedFailures().at(0x80882804), 0xE0000110u);
    EXPECT_NE(client->admin(AdminCommand::ApiVersion, 256, 0)->error, 0u);
    client->admin(AdminCommand::ApiVersion, 2, 9);
    EXPECT_EQ(driver->apiVersion(), std::make_pair(std::uint8_t(2), std::uint8_t(9)));
    const auto json = client->admin(AdminCommand::Status, 1)->text;
    EXPECT_NE(json.find("\"apiVersion\":\"2.9\""), std::string::npos);
    EXPECT_NE(json.find("\"streamBufferDepth\":2000"), std::string::npos);

    HANDLE unit = openUnit();
    ioctl(unit, 0x80883004, avcRequest({0x00, 0x08, 0xB8, 0x80, 0x06, 0x10, 0x02, 0x01, 0x01}), 516);
    CloseHandle(unit);
    auto log = client->admin(AdminCommand::Log, 0, 0);
    ASSERT_TRUE(log);
    EXPECT_NE(log->text.find("DaemonTest 0x80883004 -> 0x00000000 00 08 B8 80 06 10 02 01 01\n"), std::string::npos);
    auto rest = client->admin(AdminCommand::Log, static_cast<std::uint32_t>(log->nextSequence), 0);
    EXPECT_TRUE(rest->text.empty()) << "nothing new since";

    client->admin(AdminCommand::ClearFaults);
    EXPECT_TRUE(driver->injectedFailures().empty());
    EXPECT_EQ(client->admin(AdminCommand::Unplug)->error, 0u);
    EXPECT_EQ(client->admin(AdminCommand::Unplug)->error, 0u);
    EXPECT_NE(client->admin(AdminCommand::Unplug)->error, 0u);
}

TEST_F(DaemonTest, EveryReplyFitsAtTheLimitsOfUnitsAndFaults)
{
    while (client->admin(AdminCommand::Plug)->error == 0)
        ASSERT_LE(driver->unitCount(), sim::SimDriver::kMaxUnits);
    EXPECT_EQ(driver->unitCount(), sim::SimDriver::kMaxUnits) << "one limit, enforced where units are added";
    for (std::uint32_t code = 1; client->admin(AdminCommand::FailCode, code, 0xE0000110)->error == 0; ++code)
        ASSERT_LE(code, sim::SimDriver::kMaxFaultsPerKind);
    for (std::uint32_t code = 1; client->admin(AdminCommand::AsyncCode, code, 0xFFFFFFFF)->error == 0; ++code)
        ASSERT_LE(code, sim::SimDriver::kMaxFaultsPerKind);

    for (std::uint32_t asJson : {0u, 1u}) {
        const auto status = client->admin(AdminCommand::Status, asJson);
        ASSERT_TRUE(status) << "a status reply the client had to drop";
        EXPECT_EQ(status->text.find("cut short"), std::string::npos);
    }
    EXPECT_EQ(client->interfacePaths(sim::kMixerInterfaceClass).size(), sim::SimDriver::kMaxUnits);
}

TEST_F(DaemonTest, ClientsRefuseASocketInAFolderOthersCanWrite)
{
    installed.reset();
    client.reset();
    ::chmod((folder + "/run").c_str(), 0777); // as if another user could replace the socket
    win32::DriverSocketClient wary(socketPath);
    EXPECT_FALSE(wary.admin(AdminCommand::Status));
    EXPECT_EQ(wary.reachability().state, win32::Reachability::State::UnsafeFolder);
    EXPECT_NE(wary.reachability().reason.find("can be written by other users"), std::string::npos);
    EXPECT_TRUE(wary.interfacePaths(sim::kMixerInterfaceClass).empty());
    EXPECT_TRUE(driver->log().empty()) << "nothing reached the driver";

    server.reset();
    sim::DriverServer refused(driver, socketPath);
    std::string error;
    EXPECT_FALSE(refused.start(error));
    EXPECT_NE(error.find("can be written by other users"), std::string::npos) << error;
}

TEST_F(DaemonTest, OnlyAStaleSocketIsEverReplaced)
{
    server.reset();
    {
        std::ofstream(socketPath) << "precious";
    }
    const std::string target = folder + "/target";
    {
        std::ofstream(target) << "also precious";
    }
    const std::string link = folder + "/run/link.sock";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    for (const std::string& path : {socketPath, link}) {
        sim::DriverServer server(driver, path);
        std::string error;
        EXPECT_FALSE(server.start(error)) << path;
        EXPECT_NE(error.find("not a socket"), std::string::npos) << error;
    }
    std::string kept;
    std::getline(std::ifstream(socketPath), kept);
    EXPECT_EQ(kept, "precious");
    std::getline(std::ifstream(target), kept);
    EXPECT_EQ(kept, "also precious");
}

TEST_F(DaemonTest, ADaemonKeepsItsPathEvenWhenItsSocketWasRemoved)
{
    ASSERT_EQ(::unlink(socketPath.c_str()), 0);
    sim::DriverServer second(driver, socketPath);
    std::string error;
    EXPECT_FALSE(second.start(error)) << "two daemons would serve one path";
    EXPECT_NE(error.find("already running"), std::string::npos) << error;
}

TEST_F(DaemonTest, OfDaemonsStartingAtOnceExactlyOneServes)
{
    server.reset();
    for (int round = 0; round < 100; ++round) {
        std::vector<std::unique_ptr<sim::DriverServer>> servers;
        for (int i = 0; i < 3; ++i)
            servers.push_back(std::make_unique<sim::DriverServer>(driver, socketPath));
        std::atomic<int> ready{0};
        std::atomic<int> started{0};
        std::vector<std::thread> starters;
        for (auto& candidate : servers)
            starters.emplace_back([&, raw = candidate.get()] {
                ++ready;
                while (ready < 3) {
                }
                std::string error;
                started += raw->start(error) ? 1 : 0;
            });
        for (auto& starter : starters)
            starter.join();
        ASSERT_EQ(started, 1) << "round " << round;
        ASSERT_TRUE(goodClientIsServed()) << "round " << round;
        servers.clear();
        ASSERT_FALSE(std::filesystem::exists(socketPath)) << "round " << round;
    }
}

class BusyDaemonTest : public DaemonTest
{
protected:
    static constexpr std::size_t kSlots = 4;
    static constexpr auto kLimit = std::chrono::milliseconds(300);

    void SetUp() override
    {
        DaemonTest::SetUp();
        server.reset(); // the fixture's own, with the usual limits
        server = std::make_unique<sim::DriverServer>(driver, socketPath, sim::ServerLimits{kSlots, kLimit, kLimit});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
    }

    // Reads what the daemon sends until it closes the connection; true when a
    // refusal with `reason` came first.
    bool refusedWith(int fd, RefusalReason reason)
    {
        timeval timeout{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        MessageAssembler assembler;
        std::uint8_t buffer[512];
        for (;;) {
            Message message;
            while (assembler.next(message) == MessageAssembler::Result::Message) {
                Reader reader(message.payload);
                std::uint32_t why = 0;
                if (message.type == MessageType::Refused && reader.u32(why))
                    return why == static_cast<std::uint32_t>(reason);
            }
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            assembler.append(buffer, static_cast<std::size_t>(n));
        }
    }
};

TEST_F(BusyDaemonTest, AFullDaemonSaysItIsBusyAndSilentClientsLoseTheirSlot)
{
    std::vector<int> silent;
    for (std::size_t i = 0; i < kSlots; ++i)
        silent.push_back(connectRaw(socketPath));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    win32::DriverSocketClient latecomer(socketPath);
    EXPECT_FALSE(latecomer.admin(AdminCommand::Status));
    EXPECT_EQ(latecomer.reachability().state, win32::Reachability::State::Busy);
    EXPECT_NE(latecomer.reachability().reason.find("serves 4 programs"), std::string::npos)
        << latecomer.reachability().reason;

    for (int fd : silent) {
        EXPECT_TRUE(refusedWith(fd, RefusalReason::Unused));
        ::close(fd);
    }
    EXPECT_TRUE(goodClientIsServed()) << "the silent clients' slots are free again";
}

TEST_F(BusyDaemonTest, AHalfSentMessageEndsItsConnectionButAnIdleProgramKeepsItsFiles)
{
    const int stalled = connectRaw(socketPath);
    const Bytes header = encode({MessageType::Hello, 0, Writer().string("x").take()});
    sendRaw(stalled, Bytes(header.begin(), header.begin() + 5));

    HANDLE unit = openUnit();
    ASSERT_NE(unit, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(refusedWith(stalled, RefusalReason::Stalled));
    ::close(stalled);
    std::this_thread::sleep_for(2 * kLimit);
    EXPECT_TRUE(ioctl(unit, 0x80883004, avcRequest({0x00, 0x08, 0xB8}), 516).ok)
        << "a program holding files may stay idle as long as it likes";
    CloseHandle(unit);
}

TEST_F(BusyDaemonTest, AClientWhoseUnusedConnectionWasClosedConnectsAgain)
{
    EXPECT_EQ(client->interfacePaths(sim::kMixerInterfaceClass).size(), 1u);
    std::this_thread::sleep_for(2 * kLimit);
    EXPECT_EQ(client->interfacePaths(sim::kMixerInterfaceClass).size(), 1u);
    EXPECT_EQ(client->reachability().state, win32::Reachability::State::Reached);
}

class FrozenDaemonTest : public testing::Test
{
protected:
    ScopedRegistry registry;
    std::string folder;
    std::string socketPath;

    void SetUp() override
    {
        std::string pattern = "/tmp/tessary-frozen-XXXXXX";
        folder = ::mkdtemp(pattern.data());
        socketPath = folder + "/driver.sock";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
};

TEST_F(FrozenDaemonTest, ARequestGivenUpOnIsNeverCarriedOutLate)
{
    DaemonProcess daemon(TESSARY_SIMDRIVER_PATH, socketPath);
    ASSERT_TRUE(daemon.answers());
    const auto impatient = std::make_shared<win32::DriverSocketClient>(socketPath, std::chrono::milliseconds(300));
    HANDLE unit = INVALID_HANDLE_VALUE;
    {
        win32::ScopedDriverBackend installed(impatient);
        unit = CreateFileA(sim::unitInterfacePath(0, sim::kMixerInterfaceClass).c_str(), GENERIC_READ, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(unit, INVALID_HANDLE_VALUE);

        daemon.freeze();
        const Bytes frame = {0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, 0xC0, 0x00};
        EXPECT_EQ(ioctl(unit, 0x80883004, avcRequest(frame), 516).error, win32::kDriverTimeoutStatus);
        EXPECT_EQ(impatient->reachability().state, win32::Reachability::State::Unanswered);
        daemon.thaw();
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // time to do it late, were it done
        CloseHandle(unit);
    }

    win32::DriverSocketClient observer(socketPath);
    const auto status = observer.admin(AdminCommand::Status, 1);
    ASSERT_TRUE(status);
    EXPECT_NE(status->text.find("\"volume\":{\"5\":[0,0,0]"), std::string::npos) << status->text;
    EXPECT_EQ(observer.admin(AdminCommand::Log)->text.find("0x80883004"), std::string::npos);
}
