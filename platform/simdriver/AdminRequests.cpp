#include "AdminRequests.h"

#include "AvcSubunit.h"
#include "StatusReport.h"

#include <driverprotocol/DriverProtocol.h>

#include <cstdio>

namespace sim {

namespace {

using driverprotocol::AdminCommand;

// Room left for log text in one reply.
constexpr std::size_t kMaxLogText = driverprotocol::kMaxPayload - 1024;
// Room for any reply's text beside its other fields.
constexpr std::size_t kMaxReplyText = driverprotocol::kMaxPayload - 64;

win32::AdminReply ok(std::string text)
{
    return win32::AdminReply{0, std::move(text), 0};
}
win32::AdminReply refused(std::string text)
{
    return win32::AdminReply{1, std::move(text), 0};
}

std::string hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

win32::AdminReply tooManyFaults()
{
    return refused("too many injected faults: at most " + std::to_string(SimDriver::kMaxFaultsPerKind) +
                   " request codes of each kind ('fault clear' ends them)");
}

win32::AdminReply logSince(const SimDriver& driver, std::uint64_t first)
{
    win32::AdminReply reply = ok({});
    reply.nextSequence = first;
    for (const auto& entry : driver.logFrom(first)) {
        std::string line = entry.line() + "\n";
        if (reply.text.size() + line.size() > kMaxLogText)
            break;
        reply.text += line;
        reply.nextSequence = entry.sequence + 1;
    }
    return reply;
}

// The limits on units and faults keep every reply well inside one message;
// should one still grow past it, the client gets it cut short rather than
// a message it must drop.
win32::AdminReply fitted(win32::AdminReply reply)
{
    static const std::string cut = "\n... (cut short)\n";
    if (reply.text.size() > kMaxReplyText)
        reply.text = reply.text.substr(0, kMaxReplyText - cut.size()) + cut;
    return reply;
}

win32::AdminReply answer(SimDriver& driver, std::uint32_t command, std::uint32_t a, std::uint32_t b)
{
    switch (static_cast<AdminCommand>(command)) {
    case AdminCommand::Plug:
        if (const auto unit = driver.plug())
            return ok("plugged unit " + std::to_string(*unit));
        return refused("the bus is full: at most " + std::to_string(SimDriver::kMaxUnits) + " units");
    case AdminCommand::Unplug:
        if (!driver.unplug())
            return refused("no unit left to unplug");
        return ok("unplugged unit " + std::to_string(driver.unitCount()));
    case AdminCommand::Notify:
        driver.queueNotification(a);
        return ok("queued notification of kind " + std::to_string(a));
    case AdminCommand::Status:
        return ok(a == 1 ? statusJson(driver) : statusText(driver));
    case AdminCommand::Log:
        return logSince(driver, std::uint64_t(b) << 32 | a);
    case AdminCommand::FailCode:
        if (!driver.failRequests(a, b))
            return tooManyFaults();
        return ok(b == 0 ? "request " + hex(a) + " no longer fails" : "request " + hex(a) + " fails with " + hex(b));
    case AdminCommand::AsyncCode:
        if (!driver.completeAsynchronously(a, std::chrono::milliseconds(b)))
            return tooManyFaults();
        return ok((a == 0 ? std::string("every request") : "request " + hex(a)) + " completes after " +
                  std::to_string(b) + " ms");
    case AdminCommand::ApiVersion:
        if (a > 255 || b > 255)
            return refused("version parts must be 0..255");
        driver.setApiVersion(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b));
        return ok("API version " + std::to_string(a) + "." + std::to_string(b));
    case AdminCommand::AvcResponse:
        if (a > 0xFF)
            return refused("an AV/C response code is one byte");
        driver.answerEveryCommandWith(static_cast<std::uint8_t>(a));
        return ok(a == 0 ? std::string("the units answer AV/C commands normally")
                         : "the units answer every AV/C command " + AvcSubunit::responseName(std::uint8_t(a)));
    case AdminCommand::ClearFaults:
        driver.clearFaults();
        return ok("faults cleared");
    }
    return refused("unknown request " + std::to_string(command));
}

} // namespace

win32::AdminReply answerAdminRequest(SimDriver& driver, std::uint32_t command, std::uint32_t a, std::uint32_t b)
{
    return fitted(answer(driver, command, a, b));
}

} // namespace sim
