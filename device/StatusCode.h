// Result of every device-layer operation. 0 is success; 0xE0000000 and above
// are this layer's or the driver's own statuses; any other value is the Win32
// error number GetLastError gave.
#pragma once

#include <cstdint>

using StatusCode = std::uint32_t;

namespace status {
constexpr StatusCode kSuccess = 0x00000000;
constexpr StatusCode kOperationFailed = 0xE0000001;
constexpr StatusCode kApiVersionMismatch = 0xE0000011;
constexpr StatusCode kControlPathNotOpen = 0xE0000013;      // no text
constexpr StatusCode kDriverApiVersionRefused = 0xE0000014; // no text
constexpr StatusCode kOperationRejected = 0xE0000030;
constexpr StatusCode kOutOfMemory = 0xE0000100;
constexpr StatusCode kPacketPoolEmpty = 0xE0000110;
constexpr StatusCode kInvalidParameter = 0xE0000300;
constexpr StatusCode kByteCountMismatch = 0xE0000304;
constexpr StatusCode kInvalidBufferSize = 0xE0000305;
constexpr StatusCode kOutputBufferTooSmall = 0xE0000320;
constexpr StatusCode kHandleAlreadyUsed = 0xE0000340;
constexpr StatusCode kHandleNotAssociated = 0xE0000342;
constexpr StatusCode kBusReset = 0xE0000350;
constexpr StatusCode kInvalidResetGeneration = 0xE0000351;
constexpr StatusCode kInvalidLocalHostInfoType = 0xE0000401;
constexpr StatusCode kUnsupportedLockOperation = 0xE0000403;
constexpr StatusCode kUnsupportedSpeed = 0xE0000404;
constexpr StatusCode kDeviceNotFound = 0xE0008001;
constexpr StatusCode kDeviceNotOpen = 0xE0008002;
constexpr StatusCode kRequestTimeout = 0xE0008003;
constexpr StatusCode kInvalidFunctionParameter = 0xE0008008;
constexpr StatusCode kNoSuchDeviceInstance = 0xE0008010;
constexpr StatusCode kAllocationFailed = 0xE0008020;

// Statuses at or above this value are the layer's or the driver's own.
constexpr StatusCode kOwnStatusBase = 0xE0000000;

inline bool isOwnStatus(StatusCode code)
{
    return code >= kOwnStatusBase;
}
} // namespace status
