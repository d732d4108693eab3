// The driver's stream buffer depth in the local-machine registry hive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace diag {

extern const char* const kSettingsKey; // under HKEY_LOCAL_MACHINE
extern const char* const kDepthValueName;

// The stored depth as text: a string value up to its first NUL, a REG_DWORD or
// REG_BINARY as its first four bytes in decimal (signed), anything else or a
// failed query as "". Nothing when the settings key cannot be opened.
std::optional<std::string> readDepthText();

enum class WriteResult { Written, KeyNotFound, Refused };

// Stores `microseconds` as a 4-byte REG_DWORD under the settings key, which must exist.
WriteResult writeDepth(std::int32_t microseconds);

} // namespace diag
