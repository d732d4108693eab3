// The administrative requests of the daemon's protocol, answered from the
// driver's state: plugging, notifications, faults, the status and the log.
#pragma once

#include "SimDriver.h"

#include <win32/DriverSocketClient.h>

namespace sim {

win32::AdminReply answerAdminRequest(SimDriver& driver, std::uint32_t command, std::uint32_t a, std::uint32_t b);

} // namespace sim
