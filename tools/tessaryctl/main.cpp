// tessaryctl: sends one mixer command to the first Tessary unit, without the
// mixer program's start-up sequence.
#include "CtlCommand.h"
#include "DeviceInterfaces.h"
#include "DriverSession.h"
#include "StatusText.h"

#include <win32/StandIn.h>

#include <cstdio>

namespace {

constexpr int kExitDeviceFailed = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kFirstUnit = 0;

StatusCode sendToFirstUnit(const AvcFrame& frame)
{
    const InterfaceProfile& profile = mixerProfile();
    DeviceInterfaceSet interfaces(findInterfaces(profile.interfaceClass));
    if (interfaces.get() == nullptr)
        return status::kDeviceNotFound;
    DriverSession session(profile);
    if (const StatusCode opened = session.open(kFirstUnit, interfaces.get(), &profile.interfaceClass);
        opened != status::kSuccess)
        return opened;
    return session.sendAvcFrame(frame);
}

bool meansNoUnit(StatusCode code)
{
    return code == status::kNoSuchDeviceInstance || code == status::kDeviceNotFound;
}

} // namespace

int main(int argc, char** argv)
{
    win32::setProgramName("tessaryctl");
    const CtlParseResult parsed = parseCtlArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.helpRequested) {
        std::fputs(ctlUsage(), stdout);
        return 0;
    }
    if (!parsed.command) {
        std::fprintf(stderr, "tessaryctl: %s\n\n%s", parsed.error.c_str(), ctlUsage());
        return kExitUsage;
    }

    const StatusCode result = sendToFirstUnit(ctlFrame(*parsed.command));
    if (result == status::kSuccess)
        return 0;
    std::fprintf(stderr, "tessaryctl: %s\n", statusTextUtf8(result).c_str());
    if (meansNoUnit(result))
        std::fputs("tessaryctl: no Tessary unit found; is the Tessary driver (or the simulated driver, "
                   "'tessary-simdriver serve') running?\n",
                   stderr);
    return kExitDeviceFailed;
}
