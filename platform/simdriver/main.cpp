// tessary-simdriver: runs the simulated driver for the programs of this
// machine and drives it from the command line.
#include "CommandLine.h"
#include "DriverServer.h"
#include "SimDriver.h"

#include <win32/DriverSocketClient.h>
#include <win32/ProcessLock.h>

#include <csignal>
#include <iostream>
#include <malloc.h>
#include <memory>
#include <string>

namespace {

const char* const kWhereTheDriverIs =
    "The socket is $TESSARY_DRIVER_SOCKET, else $XDG_RUNTIME_DIR/tessary/driver.sock,\n"
    "else /tmp/tessary-<uid>/driver.sock (or, when another user made that folder first,\n"
    "~/.cache/tessary/objects/driver.sock); its folder must be yours and writable by no one else.\n";

int serve(unsigned units)
{
    // A thread per client, each of which would get a malloc arena of its own
    // that keeps what the thread freed after it is gone: two arenas hold the
    // daemon's memory near its working size however many programs came and went.
    ::mallopt(M_ARENA_MAX, 2);

    // Signals are taken by sigwait below, never by a handler on some other thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    auto driver = std::make_shared<sim::SimDriver>(units);
    sim::DriverServer server(driver, win32::driverSocketPath());
    std::string error;
    if (!server.start(error)) {
        std::cerr << "tessary-simdriver: " << error << "\n";
        return 1;
    }
    std::cout << "tessary-simdriver: serving " << units << (units == 1 ? " unit" : " units") << " on " << server.path()
              << std::endl;
    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    std::cout << "tessary-simdriver: stopped" << std::endl;
    return 0;
}

class SocketChannel : public sim::AdminChannel
{
public:
    std::optional<win32::AdminReply> admin(driverprotocol::AdminCommand command, std::uint32_t a,
                                           std::uint32_t b) override
    {
        return client.admin(command, a, b);
    }
    int reportUnreachable() override;

private:
    win32::DriverSocketClient client;
};

// Why no reply came: no daemon, a busy one, a frozen one, or a folder that is
// not safe to connect in.
int SocketChannel::reportUnreachable()
{
    using State = win32::Reachability::State;
    const auto reach = client.reachability();
    const std::string path = win32::driverSocketPath();
    switch (reach.state) {
    case State::Busy:
        std::cerr << "tessary-simdriver: busy: " << reach.reason << "; try again later\n";
        break;
    case State::UnsafeFolder:
        std::cerr << "tessary-simdriver: not connecting to " << path << ": " << reach.reason << "\n";
        break;
    case State::Unanswered:
        std::cerr << "tessary-simdriver: the simulated driver at " << path << " does not answer (" << reach.reason
                  << ")\n";
        break;
    default:
        std::cerr << "tessary-simdriver: no simulated driver is running at " << path
                  << " (start one with: tessary-simdriver serve)\n";
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    return sim::runCommandLine(argc, argv,
                               {kWhereTheDriverIs, serve, [] { return std::make_unique<SocketChannel>(); }});
}
