// tessaryctl: sends one mixer command to the first Tessary unit, without the
// mixer program's start-up sequence, and says what became of it.
#include "CtlCommand.h"
#include "DeviceInterfaces.h"
#include "DriverSession.h"
#include "StatusText.h"

#include <cli/StandardOptions.h>
#include <win32/DriverSocketClient.h>
#include <win32/StandIn.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr DWORD kFirstUnit = 0;

StatusCode sendToFirstUnit(const AvcFrame& frame, AvcResponse& response)
{
    const InterfaceProfile& profile = mixerProfile();
    DeviceInterfaceSet interfaces(findInterfaces(profile.interfaceClass));
    if (interfaces.get() == nullptr)
        return status::kDeviceNotFound;
    DriverSession session(profile);
    if (const StatusCode opened = session.open(kFirstUnit, interfaces.get(), &profile.interfaceClass);
        opened != status::kSuccess)
        return opened;
    AvcRequest request;
    buildAvcRequest(frame, request, response);
    return session.sendAvcCommand(request, response);
}

bool meansNoUnit(StatusCode code)
{
    return code == status::kNoSuchDeviceInstance || code == status::kDeviceNotFound;
}

// Written from the signal handler, so made before the time limit is armed.
char timeLimitMessage[128];
std::size_t timeLimitMessageLength = 0;

void giveUp(int)
{
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, timeLimitMessage, timeLimitMessageLength);
    _exit(kCtlExitNoAnswer);
}

// However the driver stalls (a frozen daemon, a completion that never comes),
// the command ends within the limit. Exiting closes the driver connection, so
// a request the driver has not yet taken is dropped.
void armTimeLimit(int seconds)
{
    std::snprintf(timeLimitMessage, sizeof timeLimitMessage,
                  "tessaryctl: no answer from the driver within %d s; gave up\n", seconds);
    timeLimitMessageLength = std::strlen(timeLimitMessage);
    std::signal(SIGALRM, giveUp);
    ::alarm(static_cast<unsigned>(seconds));
}

// Why the driver could not be reached, when its stand-in knows.
win32::Reachability reachability()
{
    if (auto* client = dynamic_cast<win32::DriverSocketClient*>(win32::driverBackend().get()))
        return client->reachability();
    return {};
}

int reportFailure(StatusCode result)
{
    using State = win32::Reachability::State;
    const win32::Reachability reach = reachability();
    switch (reach.state) {
    case State::Busy:
        std::fprintf(stderr, "tessaryctl: the driver is busy: %s; try again later\n", reach.reason.c_str());
        return kCtlExitFailed;
    case State::UnsafeFolder:
        std::fprintf(stderr, "tessaryctl: not connecting to the driver: %s\n", reach.reason.c_str());
        return kCtlExitFailed;
    case State::Unanswered:
        std::fprintf(stderr, "tessaryctl: the driver does not answer (%s); gave up\n", reach.reason.c_str());
        return kCtlExitNoAnswer;
    case State::NotRunning:
    case State::Reached:
        break;
    }
    std::fprintf(stderr, "tessaryctl: %s\n", statusTextUtf8(result).c_str());
    if (meansNoUnit(result))
        std::fputs("tessaryctl: no Tessary unit found; is the Tessary driver (or the simulated driver, "
                   "'tessary-simdriver serve') running?\n",
                   stderr);
    return result == status::kRequestTimeout ? kCtlExitNoAnswer : kCtlExitFailed;
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto answered = cli::answerStandardOption(argc, argv, {"tessaryctl", ctlUsage()}))
        return *answered;
    win32::setProgramName("tessaryctl");
    const CtlParseResult parsed = parseCtlArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.helpRequested) {
        std::fputs(ctlUsage(), stdout);
        return kCtlExitAccepted;
    }
    if (!parsed.command) {
        std::fprintf(stderr, "tessaryctl: %s\n\n%s", parsed.error.c_str(), ctlUsage());
        return kCtlExitUsage;
    }

    armTimeLimit(parsed.timeLimitSeconds);
    AvcResponse response;
    const StatusCode result = sendToFirstUnit(ctlFrame(*parsed.command), response);
    if (result != status::kSuccess)
        return reportFailure(result);
    const CtlAnswer answer = ctlAnswer(response);
    if (answer.accepted)
        return kCtlExitAccepted;
    std::fprintf(stderr, "tessaryctl: the unit answered %s, not ACCEPTED\n", answer.response.c_str());
    return kCtlExitRefused;
}
