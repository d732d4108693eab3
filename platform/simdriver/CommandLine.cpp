#include "CommandLine.h"

#include "SimDriver.h"

#include <cli/StandardOptions.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace sim {

namespace {

using driverprotocol::AdminCommand;

const char* const kCommands =
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
    "  fault clear                end every injected fault\n";

static_assert(SimDriver::kMaxUnits == 32, "the usage text names the limit");

class Commands
{
public:
    explicit Commands(const CommandLineSystem& system)
        : system(system), usageText(std::string(kCommands) + system.whereTheDriverIs)
    {
    }

    int run(const std::string& command, const std::vector<std::string>& args);
    const std::string& usageTextOf() const { return usageText; }

private:
    int usage() const
    {
        std::cerr << usageText;
        return 2;
    }
    int serve(const std::vector<std::string>& args) const;
    int admin(AdminCommand command, std::uint32_t a = 0, std::uint32_t b = 0) const;
    int showLog(bool follow) const;
    int fault(const std::vector<std::string>& args) const;

    const CommandLineSystem& system;
    const std::string usageText;
};

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

int Commands::serve(const std::vector<std::string>& args) const
{
    unsigned units = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--units" || i + 1 == args.size())
            return usage();
        const auto value = number(args[++i]);
        if (!value)
            return usage();
        if (*value > SimDriver::kMaxUnits) {
            std::cerr << "tessary-simdriver: at most " << SimDriver::kMaxUnits << " units\n";
            return 2;
        }
        units = *value;
    }
    return system.serve(units);
}

int Commands::admin(AdminCommand command, std::uint32_t a, std::uint32_t b) const
{
    const auto channel = system.connect();
    const auto reply = channel->admin(command, a, b);
    if (!reply)
        return channel->reportUnreachable();
    if (reply->error != 0) {
        std::cerr << "tessary-simdriver: " << reply->text << "\n";
        return 1;
    }
    if (!reply->text.empty())
        std::cout << reply->text << (reply->text.back() == '\n' ? "" : "\n");
    return 0;
}

int Commands::showLog(bool follow) const
{
    const auto channel = system.connect();
    std::uint64_t next = 0;
    for (;;) {
        const auto reply =
            channel->admin(AdminCommand::Log, static_cast<std::uint32_t>(next), static_cast<std::uint32_t>(next >> 32));
        if (!reply) {
            if (next != 0 && follow)
                return 0; // the driver stopped
            return channel->reportUnreachable();
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

int Commands::fault(const std::vector<std::string>& args) const
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

int Commands::run(const std::string& command, const std::vector<std::string>& args)
{
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
    if (command == "help" || command == "-h") {
        std::cout << usageText;
        return 0;
    }
    return usage();
}

} // namespace

int runCommandLine(int argc, char** argv, const CommandLineSystem& system)
{
    Commands commands(system);
    if (const auto answered =
            cli::answerStandardOption(argc, argv, {"tessary-simdriver", commands.usageTextOf().c_str()}))
        return *answered;
    if (argc < 2) {
        std::cerr << commands.usageTextOf();
        return 2;
    }
    return commands.run(argv[1], std::vector<std::string>(argv + 2, argv + argc));
}

} // namespace sim
