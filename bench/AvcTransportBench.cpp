// bench_avc_transport: the median time of one AV/C request (a volume frame in
// a 520-byte request through DeviceIoControl), with the simulated driver in
// this process and behind the daemon's socket, side by side.
//   bench_avc_transport [--requests N] [--check]
// --check fails (exit 1) when the socket median is not below 50 microseconds.
#include "AvcVolumeRequest.h"
#include <DriverServer.h>
#include <SimDriver.h>
#include <win32/DriverSocketClient.h>
#include <win32/StandIn.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kSocketBudgetMicroseconds = 50.0;

struct Figures
{
    double median = 0;
    double p90 = 0;
    int failures = 0;
};

// Times `requests` AV/C requests on the first unit of whatever driver is installed.
Figures measure(int requests)
{
    Figures figures;
    HANDLE unit =
        CreateFileA(sim::unitInterfacePath(0, sim::kMixerInterfaceClass).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (unit == INVALID_HANDLE_VALUE) {
        figures.failures = requests;
        return figures;
    }
    std::vector<std::uint8_t> response(516);
    std::vector<double> microseconds;
    microseconds.reserve(static_cast<std::size_t>(requests));
    const int warmUp = std::min(requests / 10, 500);
    for (int i = -warmUp; i < requests; ++i) {
        auto request = volumeRequest(static_cast<std::uint8_t>(0x80 + (i & 0x7F)));
        DWORD bytes = 0;
        const auto start = Clock::now();
        const BOOL ok = DeviceIoControl(unit, 0x80883004, request.data(), 520, response.data(), 516, &bytes, nullptr);
        const auto elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        if (i < 0)
            continue;
        if (!ok)
            ++figures.failures;
        microseconds.push_back(elapsed);
    }
    CloseHandle(unit);
    std::sort(microseconds.begin(), microseconds.end());
    figures.median = microseconds[microseconds.size() / 2];
    figures.p90 = microseconds[microseconds.size() * 9 / 10];
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    int requests = 20000;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--requests") == 0 && i + 1 < argc)
            requests = std::max(10, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else {
            std::fprintf(stderr, "usage: bench_avc_transport [--requests N] [--check]\n");
            return 2;
        }
    }

    std::string pattern = "/tmp/tessary-bench-XXXXXX";
    const std::string folder = ::mkdtemp(pattern.data());
    ::setenv("TESSARY_REGISTRY_DIR", folder.c_str(), 1); // keep the user's driver settings untouched
    win32::setProgramName("bench_avc_transport");
    auto driver = std::make_shared<sim::SimDriver>(1);

    Figures inProcess;
    {
        win32::ScopedDriverBackend installed(driver);
        inProcess = measure(requests);
    }

    Figures throughSocket;
    {
        sim::DriverServer server(driver, folder + "/driver.sock");
        std::string error;
        if (!server.start(error)) {
            std::fprintf(stderr, "bench_avc_transport: %s\n", error.c_str());
            return 1;
        }
        win32::ScopedDriverBackend installed(std::make_shared<win32::DriverSocketClient>(server.path()));
        throughSocket = measure(requests);
    }
    std::filesystem::remove_all(folder);

    std::printf("AV/C request 0x80883004, %d requests each\n", requests);
    std::printf("%-14s %12s %12s %9s\n", "transport", "median us", "p90 us", "failures");
    std::printf("%-14s %12.2f %12.2f %9d\n", "in-process", inProcess.median, inProcess.p90, inProcess.failures);
    std::printf("%-14s %12.2f %12.2f %9d\n", "socket", throughSocket.median, throughSocket.p90, throughSocket.failures);
    std::printf("socket / in-process median: %.1fx\n", throughSocket.median / std::max(inProcess.median, 1e-3));
    const bool withinBudget = throughSocket.median < kSocketBudgetMicroseconds;
    std::printf("socket median %s the %.0f us budget\n", withinBudget ? "within" : "OVER", kSocketBudgetMicroseconds);
    const bool failed = inProcess.failures != 0 || throughSocket.failures != 0;
    return failed || (check && !withinBudget) ? 1 : 0;
}
