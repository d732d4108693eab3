// The median time of one AV/C request (a volume frame in a 520-byte request
// through DeviceIoControl) on Windows or under Wine, through the simulated
// driver's kernel half to units served in this process, found as the programs
// find them (SetupAPI). bench/windows/avc_transport.sh sets it beside the
// Linux build's socket path in one run.
//   bench_avc_driver [--requests N]
#include "../AvcVolumeRequest.h"
#include <DriverHost.h>

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The first present interface of the mixer's class, as SetupAPI gives it.
std::string firstUnitPath()
{
    const HDEVINFO set =
        SetupDiGetClassDevsA(&sim::kMixerInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return {};
    std::string path;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (SetupDiEnumDeviceInterfaces(set, nullptr, &sim::kMixerInterfaceClass, 0, &data)) {
        std::vector<char> buffer(1024);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, static_cast<DWORD>(buffer.size()), nullptr, nullptr))
            path = detail->DevicePath;
    }
    SetupDiDestroyDeviceInfoList(set);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    int requests = 2000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--requests") == 0 && i + 1 < argc) {
            requests = std::max(10, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: bench_avc_driver [--requests N]\n");
            return 2;
        }
    }
    auto driver = std::make_shared<sim::SimDriver>(1);
    sim::DriverHost host(driver);
    std::string error;
    if (!host.start(error)) {
        std::fprintf(stderr, "bench_avc_driver: %s\n", error.c_str());
        return 1;
    }
    const std::string path = firstUnitPath();
    const HANDLE unit = path.empty()
                            ? INVALID_HANDLE_VALUE
                            : CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (unit == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "bench_avc_driver: no unit to open (%s)\n", path.empty() ? "none found" : path.c_str());
        return 1;
    }
    std::vector<std::uint8_t> response(516);
    std::vector<double> microseconds;
    int failures = 0;
    const int warmUp = std::min(requests / 10, 200);
    for (int i = -warmUp; i < requests; ++i) {
        auto request = volumeRequest(static_cast<std::uint8_t>(0x80 + (i & 0x7F)));
        DWORD bytes = 0;
        const auto start = Clock::now();
        const BOOL ok = DeviceIoControl(unit, 0x80883004, request.data(), 520, response.data(), 516, &bytes, nullptr);
        const auto elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        if (i < 0)
            continue;
        failures += !ok;
        microseconds.push_back(elapsed);
    }
    CloseHandle(unit);
    std::sort(microseconds.begin(), microseconds.end());
    std::printf("%-14s %12.2f %12.2f %9d\n", "kernel driver", microseconds[microseconds.size() / 2],
                microseconds[microseconds.size() * 9 / 10], failures);
    return failures != 0 ? 1 : 0;
}
