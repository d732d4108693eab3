// The tessary-simdriver daemon under a minute of abuse: idle, half-open,
// garbage and flooding clients come and go while a good client sends a level
// every 10 ms and checks each echo. Every good request must succeed, and the
// daemon's resident memory and threads must come back near where they began.
//
//   simdriver_soak PATH_TO_TESSARY_SIMDRIVER [SECONDS]
#include "../DaemonProcess.h"
#include "../RegistryTestSupport.h"

#include <SimDriver.h>
#include <driverprotocol/DriverProtocol.h>
#include <win32/DriverSocketClient.h>
#include <win32/StandIn.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using driverprotocol::Message;
using driverprotocol::MessageType;
using driverprotocol::Writer;

// The bounds the daemon must come back within once the abuse is over. Its
// request log is filled to its budget before the start is measured: what it
// keeps by design is not growth.
constexpr long kResidentGrowthBoundKb = 4 * 1024;
constexpr long kThreadGrowthBound = 1;
constexpr auto kSettleTime = 20s; // the unused-connection limit is 10 s

constexpr DWORD kAvcCommand = 0x80883004;
constexpr DWORD kUnknownCode = 0x80889999;

std::atomic<bool> stopping{false};

struct Tally
{
    std::atomic<long> connections{0};
    std::atomic<long> busy{0}; // turned away as busy
    std::atomic<long> closedByDaemon{0};
};

int connectTo(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendBytes(int fd, const Bytes& bytes)
{
    (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

// Reads until the daemon closes the connection or the soak ends; whether the
// daemon's first message turned the client away as busy.
bool waitForClose(int fd, Tally& tally, bool readAll = true)
{
    driverprotocol::MessageAssembler assembler;
    std::uint8_t buffer[4096];
    bool first = true;
    while (!stopping) {
        pollfd watched{fd, POLLIN, 0};
        if (::poll(&watched, 1, 100) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            ++tally.closedByDaemon;
            return false;
        }
        if (!readAll)
            continue;
        assembler.append(buffer, static_cast<std::size_t>(n));
        Message message;
        while (assembler.next(message) == driverprotocol::MessageAssembler::Result::Message) {
            if (first && message.type == MessageType::Refused) {
                driverprotocol::Reader reader(message.payload);
                std::uint32_t why = 0;
                if (reader.u32(why) && why == static_cast<std::uint32_t>(driverprotocol::RefusalReason::Busy)) {
                    ++tally.busy;
                    return true;
                }
            }
            first = false;
        }
    }
    return false;
}

// One misbehaving client, again and again until the soak ends. `behaviour`
// says whether the daemon turned it away as busy: it then tries again later.
void misbehave(const std::string& path, Tally& tally, const std::function<bool(int)>& behaviour)
{
    while (!stopping) {
        const int fd = connectTo(path);
        if (fd < 0) {
            std::this_thread::sleep_for(10ms);
            continue;
        }
        ++tally.connections;
        const bool turnedAway = behaviour(fd);
        ::close(fd);
        if (turnedAway)
            std::this_thread::sleep_for(50ms);
    }
}

struct Adversaries
{
    Tally idle, halfOpen, garbage, flooding, deaf;
    std::vector<std::thread> threads;

    void start(const std::string& path)
    {
        for (int i = 0; i < 48; ++i) // with the others, more than the daemon takes at once
            threads.emplace_back([&] { misbehave(path, idle, [&](int fd) { return waitForClose(fd, idle); }); });
        for (int i = 0; i < 16; ++i)
            threads.emplace_back([&] {
                misbehave(path, halfOpen, [&](int fd) {
                    const Bytes hello = driverprotocol::encode({MessageType::Hello, 0, Writer().string("x").take()});
                    sendBytes(fd, Bytes(hello.begin(), hello.begin() + 7));
                    return waitForClose(fd, halfOpen);
                });
            });
        for (int i = 0; i < 2; ++i)
            threads.emplace_back([&, seed = i] {
                std::mt19937 random(static_cast<unsigned>(seed));
                misbehave(path, garbage, [&](int fd) {
                    Bytes noise(4096);
                    for (auto& byte : noise)
                        byte = static_cast<std::uint8_t>(random());
                    sendBytes(fd, noise);
                    return waitForClose(fd, garbage, false);
                });
            });
        for (int i = 0; i < 2; ++i)
            threads.emplace_back([&] { misbehave(path, flooding, [&](int fd) { return flood(fd, flooding); }); });
        threads.emplace_back([&] { misbehave(path, deaf, [&](int fd) { return floodWithoutReading(fd, deaf); }); });
    }

    // Large requests as fast as the daemon takes them, each logged by the driver.
    static bool flood(int fd, Tally& tally)
    {
        const std::string control = sim::controlPath(sim::kSettingsInterfaceClass);
        sendBytes(fd, driverprotocol::encode({MessageType::Hello, 0, Writer().string("flood").take()}));
        sendBytes(fd, driverprotocol::encode({MessageType::Open, 1, Writer().string(control).take()}));
        const Bytes input(60 * 1024, 0x5A);
        const Bytes request = driverprotocol::encode(
            {MessageType::Ioctl, 2, Writer().u64(1).u32(kUnknownCode).u32(0).bytes(input.data(), input.size()).take()});
        std::uint8_t sink[65536];
        for (int sent = 0; !stopping && sent < 2000; ++sent) {
            if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) <= 0) {
                countClosed(tally);
                return true; // turned away or dropped: try again a little later
            }
            while (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {
            }
        }
        return false;
    }

    // Requests without ever reading a reply: the daemon drops such a client.
    static bool floodWithoutReading(int fd, Tally& tally)
    {
        const Bytes request =
            driverprotocol::encode({MessageType::InterfacePaths, 1, Writer().guid(sim::kMixerInterfaceClass).take()});
        timeval timeout{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        while (!stopping && ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) > 0) {
        }
        countClosed(tally);
        return true;
    }

    static void countClosed(Tally& tally)
    {
        if (errno == EPIPE || errno == ECONNRESET)
            ++tally.closedByDaemon;
    }

    void stop()
    {
        stopping = true;
        for (auto& thread : threads)
            thread.join();
    }
};

struct GoodClient
{
    long sent = 0;
    long failed = 0;
    std::vector<double> latenciesMs;

    // One volume frame; the unit must answer ACCEPTED with the frame echoed.
    void sendLevel(HANDLE unit, int level)
    {
        const Bytes frame = {
            0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, static_cast<std::uint8_t>(0x80 + level % 128),
            0x00};
        Bytes request(520, 0);
        const std::uint32_t requestWord = 2000;
        const auto length = static_cast<std::uint32_t>(frame.size());
        std::memcpy(request.data(), &requestWord, 4);
        std::memcpy(request.data() + 4, &length, 4);
        std::memcpy(request.data() + 8, frame.data(), frame.size());
        Bytes response(516, 0);
        DWORD bytes = 0;
        const auto began = Clock::now();
        const BOOL ok = DeviceIoControl(unit, kAvcCommand, request.data(), 520, response.data(), 516, &bytes, nullptr);
        latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - began).count());
        ++sent;
        Bytes echo = frame;
        echo[0] = 0x09;
        if (ok && bytes == 516 && std::equal(echo.begin(), echo.end(), response.begin() + 4))
            return;
        if (++failed <= 5)
            std::fprintf(stderr, "good request %ld failed: ok %d, error 0x%08X, response %02X\n", sent, ok,
                         ok ? 0u : static_cast<unsigned>(GetLastError()), response[4]);
    }

    double percentile(double p)
    {
        if (latenciesMs.empty())
            return 0;
        std::sort(latenciesMs.begin(), latenciesMs.end());
        return latenciesMs[static_cast<std::size_t>(p * double(latenciesMs.size() - 1))];
    }
};

// Requests with inputs larger than the log keeps of one, enough to fill it.
void fillTheLog(std::size_t requests)
{
    HANDLE control = CreateFileA(sim::controlPath(sim::kSettingsInterfaceClass).c_str(), GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    Bytes input(2 * sim::LogEntry::kLoggedInputBytes, 0xA5);
    for (std::size_t i = 0; i < requests; ++i) {
        DWORD bytes = 0;
        DeviceIoControl(control, kUnknownCode, input.data(), static_cast<DWORD>(input.size()), nullptr, 0, &bytes,
                        nullptr);
    }
    CloseHandle(control);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: simdriver_soak PATH_TO_TESSARY_SIMDRIVER [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    testing_support::ScopedRegistry registry;
    std::string pattern = "/tmp/tessary-soak-XXXXXX";
    const std::string folder = ::mkdtemp(pattern.data());
    const std::string socketPath = folder + "/driver.sock";
    int verdict = 0;
    {
        testing_support::DaemonProcess daemon(argv[1], socketPath);
        if (!daemon.answers()) {
            std::fprintf(stderr, "the daemon did not start\n");
            return 1;
        }
        win32::setProgramName("soak");
        auto client = std::make_shared<win32::DriverSocketClient>(socketPath);
        win32::ScopedDriverBackend installed(client);
        HANDLE unit = CreateFileA(sim::unitInterfacePath(0, sim::kMixerInterfaceClass).c_str(),
                                  GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        GoodClient good;
        for (int i = 0; i < 100; ++i)
            good.sendLevel(unit, i);
        fillTheLog(sim::SimDriver::kLogCapacity + 100);
        std::this_thread::sleep_for(500ms);
        const long startRss = daemon.statusField("VmRSS");
        const long startThreads = daemon.statusField("Threads");
        long peakRss = startRss;
        long peakThreads = startThreads;

        Adversaries adversaries;
        adversaries.start(socketPath);
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        auto next = Clock::now();
        auto nextSample = next;
        for (int level = 0; Clock::now() < end; ++level) {
            good.sendLevel(unit, level);
            if (Clock::now() >= nextSample) {
                peakRss = std::max(peakRss, daemon.statusField("VmRSS"));
                peakThreads = std::max(peakThreads, daemon.statusField("Threads"));
                nextSample += 1s;
            }
            next += 10ms;
            std::this_thread::sleep_until(next);
        }
        adversaries.stop();

        const auto settleBy = Clock::now() + kSettleTime;
        while (daemon.statusField("Threads") > startThreads + kThreadGrowthBound && Clock::now() < settleBy)
            std::this_thread::sleep_for(250ms);
        std::this_thread::sleep_for(1s);
        const long endRss = daemon.statusField("VmRSS");
        const long endThreads = daemon.statusField("Threads");
        CloseHandle(unit);

        std::printf("soak: %d s against the daemon\n", seconds);
        std::printf("  good client: %ld levels sent, %ld failed; latency median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                    good.sent, good.failed, good.percentile(0.5), good.percentile(0.99), good.percentile(1.0));
        const auto line = [](const char* name, const Tally& tally) {
            std::printf("  %-9s %6ld connections, %6ld turned away busy, %6ld closed by the daemon\n", name,
                        tally.connections.load(), tally.busy.load(), tally.closedByDaemon.load());
        };
        line("idle", adversaries.idle);
        line("half-open", adversaries.halfOpen);
        line("garbage", adversaries.garbage);
        line("flooding", adversaries.flooding);
        line("deaf", adversaries.deaf);
        std::printf(
            "  daemon resident memory: %ld kB at start, %ld kB at peak, %ld kB at end (bound: start + %ld kB)\n",
            startRss, peakRss, endRss, kResidentGrowthBoundKb);
        std::printf("  daemon threads: %ld at start, %ld at peak, %ld at end (bound: start + %ld)\n", startThreads,
                    peakThreads, endThreads, kThreadGrowthBound);

        if (good.failed != 0 || good.sent < 50L * seconds) {
            std::printf("FAIL: the good client was not served every 10 ms without fault\n");
            verdict = 1;
        }
        if (endRss > startRss + kResidentGrowthBoundKb || endThreads > startThreads + kThreadGrowthBound) {
            std::printf("FAIL: the daemon did not come back within its bounds\n");
            verdict = 1;
        }
        if (adversaries.idle.closedByDaemon == 0 || adversaries.halfOpen.closedByDaemon == 0 ||
            adversaries.idle.busy + adversaries.halfOpen.busy == 0) {
            std::printf("FAIL: the abuse did not reach the limits it was meant to test\n");
            verdict = 1;
        }
        if (daemon.terminate() != 0) {
            std::printf("FAIL: the daemon did not stop cleanly\n");
            verdict = 1;
        }
    }
    std::filesystem::remove_all(folder);
    std::printf("%s\n", verdict == 0 ? "soak: ok" : "soak: FAILED");
    return verdict;
}
