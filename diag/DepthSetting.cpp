#include "DepthSetting.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace diag {

const char* const kSettingsKey = "SYSTEM\\CurrentControlSet\\Services\\VRD_1394\\ConfigDB\\Settings";
const char* const kDepthValueName = "IsoStreamBufferDepth[us]";

namespace {

std::string valueText(HKEY key)
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, kDepthValueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::vector<BYTE> text(size);
        if (size == 0 || RegQueryValueExA(key, kDepthValueName, nullptr, &type, text.data(), &size) != ERROR_SUCCESS)
            return {};
        text.resize(size);
        return std::string(text.begin(), std::find(text.begin(), text.end(), BYTE{0}));
    }
    if (type == REG_DWORD || type == REG_BINARY) {
        BYTE bytes[4] = {0, 0, 0, 0};
        DWORD room = sizeof bytes;
        if (RegQueryValueExA(key, kDepthValueName, nullptr, &type, bytes, &room) != ERROR_SUCCESS)
            return {};
        const std::uint32_t raw =
            bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
        return std::to_string(static_cast<std::int32_t>(raw));
    }
    return {};
}

} // namespace

std::optional<std::string> readDepthText()
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kSettingsKey, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::string text = valueText(key);
    RegCloseKey(key);
    return text;
}

WriteResult writeDepth(std::int32_t microseconds)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kSettingsKey, &key) != ERROR_SUCCESS)
        return WriteResult::KeyNotFound;
    const auto raw = static_cast<std::uint32_t>(microseconds);
    const BYTE bytes[4] = {static_cast<BYTE>(raw), static_cast<BYTE>(raw >> 8), static_cast<BYTE>(raw >> 16),
                           static_cast<BYTE>(raw >> 24)};
    const LONG status = RegSetValueExA(key, kDepthValueName, 0, REG_DWORD, bytes, sizeof bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? WriteResult::Written : WriteResult::Refused;
}

} // namespace diag
