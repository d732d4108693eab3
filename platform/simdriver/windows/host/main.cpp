// tessary-simdriver.exe: serves the simulated units to the programs through
// the simulated driver's kernel half, and drives it from the command line.
#include "DriverHost.h"

#include <CommandLine.h>

#include <cstring>
#include <iostream>

namespace {

const char* const kWhereTheDriverIs =
    "The simulated driver's kernel half must be installed first (tools/wine-simdriver.sh install);\n"
    "the commands reach it at " SIMHOST_USER_PATH ".\n";

HANDLE stopServing = nullptr;

BOOL WINAPI stopOnConsoleEvent(DWORD)
{
    SetEvent(stopServing);
    return TRUE;
}

int serve(unsigned units)
{
    auto driver = std::make_shared<sim::SimDriver>(units);
    sim::DriverHost host(driver);
    std::string error;
    if (!host.start(error)) {
        std::cerr << "tessary-simdriver: " << error << "\n";
        return 1;
    }
    std::cout << "tessary-simdriver: serving " << units << (units == 1 ? " unit" : " units") << " on "
              << SIMHOST_USER_PATH << std::endl;
    stopServing = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(stopOnConsoleEvent, TRUE);
    WaitForSingleObject(stopServing, INFINITE);
    host.stop();
    std::cout << "tessary-simdriver: stopped" << std::endl;
    return 0;
}

class HostDeviceChannel : public sim::AdminChannel
{
public:
    ~HostDeviceChannel() override
    {
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
    }

    std::optional<win32::AdminReply> admin(driverprotocol::AdminCommand command, std::uint32_t a,
                                           std::uint32_t b) override
    {
        if (device == INVALID_HANDLE_VALUE)
            device = CreateFileA(SIMHOST_USER_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE) {
            lastError = GetLastError();
            return std::nullopt;
        }
        const SIMHOST_ADMIN request{static_cast<unsigned>(command), a, b};
        std::vector<std::uint8_t> output(SIMHOST_ADMIN_OUTPUT);
        DWORD returned = 0;
        if (!DeviceIoControl(device, SIMHOST_IOCTL_ADMIN, const_cast<SIMHOST_ADMIN*>(&request), sizeof request,
                             output.data(), static_cast<DWORD>(output.size()), &returned, nullptr)) {
            lastError = GetLastError();
            return std::nullopt;
        }
        SIMHOST_ADMIN_REPLY fields{};
        if (returned < sizeof fields) {
            lastError = ERROR_INVALID_DATA;
            return std::nullopt;
        }
        std::memcpy(&fields, output.data(), sizeof fields);
        const std::size_t textSize = std::min<std::size_t>(fields.textSize, returned - sizeof fields);
        return win32::AdminReply{fields.error,
                                 std::string(reinterpret_cast<const char*>(output.data()) + sizeof fields, textSize),
                                 fields.nextSequence};
    }

    int reportUnreachable() override
    {
        if (device == INVALID_HANDLE_VALUE)
            std::cerr << "tessary-simdriver: the simulated driver's kernel half is not installed (error " << lastError
                      << "; install it with tools/wine-simdriver.sh install)\n";
        else
            std::cerr << "tessary-simdriver: no simulated driver is running at " SIMHOST_USER_PATH
                         " (start one with: tessary-simdriver serve; error "
                      << lastError << ")\n";
        return 1;
    }

private:
    HANDLE device = INVALID_HANDLE_VALUE;
    DWORD lastError = 0;
};

} // namespace

int main(int argc, char** argv)
{
    return sim::runCommandLine(argc, argv,
                               {kWhereTheDriverIs, serve, [] { return std::make_unique<HostDeviceChannel>(); }});
}
