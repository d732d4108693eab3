#include "DriverConfiguration.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace sim {

const char* const kDriverSettingsKey = "SYSTEM\\CurrentControlSet\\Services\\VRD_1394\\ConfigDB\\Settings";
const char* const kStreamBufferDepthValue = "IsoStreamBufferDepth[us]";

namespace {

// The driver's installer creates the key; the simulated driver does it on first use.
void installSettingsKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kDriverSettingsKey, &key) != ERROR_SUCCESS)
        return;
    const DWORD depth = kDefaultStreamBufferDepth;
    RegSetValueExA(key, kStreamBufferDepthValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&depth), sizeof depth);
    RegCloseKey(key);
}

std::optional<std::uint32_t> decimal(const std::string& text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(text));
}

std::optional<std::uint32_t> storedDepth(HKEY key)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, kStreamBufferDepthValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0 ||
        size > 64)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegQueryValueExA(key, kStreamBufferDepthValue, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    if ((type == REG_DWORD || type == REG_BINARY) && data.size() == 4)
        return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        const std::string text(data.begin(), std::find(data.begin(), data.end(), BYTE{0}));
        return decimal(text);
    }
    return std::nullopt;
}

} // namespace

std::uint32_t loadStreamBufferDepth()
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kDriverSettingsKey, &key) != ERROR_SUCCESS) {
        installSettingsKey();
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kDriverSettingsKey, &key) != ERROR_SUCCESS)
            return kDefaultStreamBufferDepth;
    }
    const auto depth = storedDepth(key);
    RegCloseKey(key);
    if (!depth || *depth == 0)
        return kDefaultStreamBufferDepth;
    return std::clamp(*depth, kMinimumStreamBufferDepth, kMaximumStreamBufferDepth);
}

} // namespace sim
