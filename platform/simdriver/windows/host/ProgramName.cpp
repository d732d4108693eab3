// The name the simulated driver records for requests made in its own process
// (programs in other processes are named by the host, DriverHost::clientName).
#include <win32/StandIn.h>

namespace win32 {

std::string programName()
{
    return "tessary-simdriver";
}

} // namespace win32
