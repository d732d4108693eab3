// The tessary-simdriver command line, the same on every system: each system
// brings its own way of serving the driver and of reaching the one that serves.
#pragma once

#include <win32/DriverSocketClient.h> // AdminReply

#include <functional>
#include <memory>
#include <optional>

namespace sim {

// A way to the running simulated driver's administrative requests.
class AdminChannel
{
public:
    virtual ~AdminChannel() = default;
    // Nothing when no driver answered.
    virtual std::optional<win32::AdminReply> admin(driverprotocol::AdminCommand command, std::uint32_t a,
                                                   std::uint32_t b) = 0;
    // Says on stderr why nothing answered; returns the exit status.
    virtual int reportUnreachable() = 0;
};

struct CommandLineSystem
{
    const char* whereTheDriverIs; // the usage text's last lines
    std::function<int(unsigned units)> serve;
    std::function<std::unique_ptr<AdminChannel>()> connect;
};

int runCommandLine(int argc, char** argv, const CommandLineSystem& system);

} // namespace sim
