// The simulated driver's configuration in the local-machine registry hive, read
// the way the streaming driver reads it: when a unit is connected.
#pragma once

#include <cstdint>

namespace sim {

extern const char* const kDriverSettingsKey; // under HKEY_LOCAL_MACHINE
extern const char* const kStreamBufferDepthValue;

constexpr std::uint32_t kDefaultStreamBufferDepth = 2000; // microseconds
constexpr std::uint32_t kMinimumStreamBufferDepth = 1000;
constexpr std::uint32_t kMaximumStreamBufferDepth = 20000;

// The isochronous stream buffer depth in microseconds the driver runs with.
// Installs the settings key with the default depth when the key does not exist
// yet. A stored REG_DWORD (or 4-byte REG_BINARY) or a decimal REG_SZ is used,
// clamped to 1000..20000; a missing, zero, unreadable or non-numeric value gives
// the default. Never fails: a hive that cannot be written or read also gives
// the default.
std::uint32_t loadStreamBufferDepth();

} // namespace sim
