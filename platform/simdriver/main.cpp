// tessary-simdriver: runs the simulated driver for the programs of this
// machine and drives it from the command line.
#include "DriverServer.h"
#include "SimDriver.h"

#include <cli/StandardOptions.h>
#include <driverprotocol/DriverProtocol.h>
#include <win32/DriverSocketClient.h>
#include <win32/ProcessLock.h>
#include <win32/StandIn.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <malloc.h>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using driverprotocol::AdminCommand;

const char* const kUsage =
    "usage: tessary-simdriver COMMAND | --help | --version\n"
    "  serve [--units N]          run the simulated driver (N = 0..32, default 1) until SIGINT or SIGTERM\n"
    "  plug | unplug              connect another unit, or remove the last one\n"
    "  notify KIND                queue a driver notification of that kind\n"
    "  status [--json]            show units, mixer state and driver settings\n"
    "  log [--follow]             show every request the driver received, oldest first\n"
    "  fault fail CODE STATUS     make request CODE fail with STATUS (STATUS 0 ends it)\n"
    "  fault async CODE|all MS    complete request CODE (or every request) after MS ms\n"
    "  fault api MAJOR.MINOR      report this driver API version\n"
    "  fault answer RESPONSE      answer every AV/C command with RESPONSE: rejected,\n"
    "                             not-implemented, interim, a code, or normal\n"
    "  fault clear                end every injected fault\n"
    "The socket is $TESSARY_DRIVER_SOCKET, else $XDG_RUNTIME_DIR/tessary/driver.sock,\n"
    "else /tmp/tessary-<uid>/driver.sock (or, when another user made that folder first,\n"
    "~/.cache/tessary/objects/driver.sock); its folder must be yours and writable by no one else.\n";

static_assert(sim::SimDriver::kMaxUnits == 32, "the usage text names the limit");

int usage()
{
    std::cerr << kUsage;
    return 2;
}

// Decimal or 0x-prefixed hexadecimal, the whole text, within 32 bits.
std::optional<std::uint32_t> number(const std::string& text)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

int serve(const std::vector<std::string>& args)
{
    unsigned units = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--units" && i + 1 < args.size()) {
            auto value = number(args[++i]);
            if (!value)
                return usage();
            if (*value > sim::SimDriver::kMaxUnits) {
                std::cerr << "tessary-simdriver: at most " << sim::SimDriver::kMaxUnits << " units\n";
                return 2;
            }
            units = *value;
        } else {
            return usage();
        }
    }
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

// Why no reply came: no daemon, a busy one, a frozen one, or a folder that is
// not safe to connect in.
int reportUnreachable(win32::DriverSocketClient& client)
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

int admin(AdminCommand command, std::uint32_t a = 0, std::uint32_t b = 0, bool quiet = false)
{
    win32::DriverSocketClient client;
    const auto reply = client.admin(command, a, b);
    if (!reply)
        return reportUnreachable(client);
    if (reply->error != 0) {
        std::cerr << "tessary-simdriver: " << reply->text << "\n";
        return 1;
    }
    if (!quiet && !reply->text.empty())
        std::cout << reply->text << (reply->text.back() == '\n' ? "" : "\n");
    return 0;
}

int showLog(bool follow)
{
    win32::DriverSocketClient client;
    std::uint64_t next = 0;
    for (;;) {
        const auto reply =
            client.admin(AdminCommand::Log, static_cast<std::uint32_t>(next), static_cast<std::uint32_t>(next >> 32));
        if (!reply) {
            if (next != 0 && follow)
                return 0; // the daemon stopped
            return reportUnreachable(client);
        }
        std::cout << reply->text << std::flush;
        const bool more = reply->nextSequence > next && !reply->text.empty();
        next = std::max(next, reply->nextSequence);
        if (!follow && !more)
            return 0;
        if (!more)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

int fault(const std::vector<std::string>& args)
{
    if (args.size() == 1 && args[0] == "clear")
        return admin(AdminCommand::ClearFaults);
    if (args.size() == 3 && args[0] == "fail") {
        auto code = number(args[1]);
        auto status = number(args[2]);
        if (!code || !status)
            return usage();
        return admin(AdminCommand::FailCode, *code, *status);
    }
    if (args.size() == 3 && args[0] == "async") {
        auto code = args[1] == "all" ? std::optional<std::uint32_t>(0) : number(args[1]);
        auto delay = number(args[2]);
        if (!code || !delay)
            return usage();
        return admin(AdminCommand::AsyncCode, *code, *delay);
    }
    if (args.size() == 2 && args[0] == "answer") {
        static const std::map<std::string, std::uint32_t> named = {
            {"normal", 0}, {"not-implemented", 0x08}, {"rejected", 0x0A}, {"interim", 0x0F}};
        const auto name = named.find(args[1]);
        const auto code = name != named.end() ? std::optional<std::uint32_t>(name->second) : number(args[1]);
        if (!code || *code > 0xFF)
            return usage();
        return admin(AdminCommand::AvcResponse, *code);
    }
    if (args.size() == 2 && args[0] == "api") {
        const auto dot = args[1].find('.');
        if (dot == std::string::npos)
            return usage();
        auto major = number(args[1].substr(0, dot));
        auto minor = number(args[1].substr(dot + 1));
        if (!major || !minor)
            return usage();
        return admin(AdminCommand::ApiVersion, *major, *minor);
    }
    return usage();
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto answered = cli::answerStandardOption(argc, argv, {"tessary-simdriver", kUsage}))
        return *answered;
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "serve")
        return serve(args);
    if (command == "plug" && args.empty())
        return admin(AdminCommand::Plug);
    if (command == "unplug" && args.empty())
        return admin(AdminCommand::Unplug);
    if (command == "notify" && args.size() == 1) {
        auto kind = number(args[0]);
        return kind ? admin(AdminCommand::Notify, *kind) : usage();
    }
    if (command == "status" && (args.empty() || (args.size() == 1 && args[0] == "--json")))
        return admin(AdminCommand::Status, args.empty() ? 0 : 1);
    if (command == "log" && (args.empty() || (args.size() == 1 && args[0] == "--follow")))
        return showLog(!args.empty());
    if (command == "fault")
        return fault(args);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    return usage();
}
