// The Reg* calls over the hive files. A key handle names a hive and a path; it
// does not hold the key open, so every call sees the file as it is now (parsed
// again only when it changed). A hive file that cannot be read fails every call
// with the reason's status; a damaged one reads as empty.
#include <windows.h>

#include "RegistryFiles.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <set>

namespace {

using win32::Hive;

struct OpenKey
{
    Hive hive;
    std::string path;
};

std::mutex handlesLock;
std::set<OpenKey*> openKeys;

std::optional<OpenKey> predefinedKey(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE)
        return OpenKey{Hive::LocalMachine, {}};
    if (key == HKEY_CURRENT_USER)
        return OpenKey{Hive::CurrentUser, {}};
    return std::nullopt;
}

std::optional<OpenKey> resolve(HKEY key)
{
    if (auto predefined = predefinedKey(key))
        return predefined;
    std::lock_guard<std::mutex> guard(handlesLock);
    auto* open = reinterpret_cast<OpenKey*>(key);
    if (openKeys.count(open) == 0)
        return std::nullopt;
    return *open;
}

HKEY newHandle(OpenKey key)
{
    auto* open = new OpenKey(std::move(key));
    std::lock_guard<std::mutex> guard(handlesLock);
    openKeys.insert(open);
    return reinterpret_cast<HKEY>(open);
}

std::string childPath(const std::string& parent, const char* subKey)
{
    if (parent.empty())
        return subKey;
    return parent + "\\" + subKey;
}

bool emptyName(LPCSTR name)
{
    return name == nullptr || *name == '\0';
}

std::string valueName(LPCSTR name)
{
    return name ? std::string(name) : std::string();
}

// Names of keys and values share one text file, so they cannot hold line breaks.
bool storableName(const std::string& name)
{
    return name.find_first_of("\r\n") == std::string::npos;
}

LSTATUS openExisting(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult, bool create)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    const auto parent = resolve(hKey);
    if (!parent)
        return ERROR_INVALID_HANDLE;
    if (emptyName(lpSubKey)) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    const std::string path = childPath(parent->path, lpSubKey);
    if (!win32::splitKeyPath(path))
        return ERROR_BAD_PATHNAME;

    const auto reading = win32::readHive(parent->hive);
    if (reading.status != ERROR_SUCCESS)
        return reading.status;
    if (auto stored = reading.hive->storedPath(path)) {
        *phkResult = newHandle({parent->hive, *stored});
        return ERROR_SUCCESS;
    }
    if (!create)
        return ERROR_FILE_NOT_FOUND;
    const LONG result = win32::changeHive(parent->hive, [&](win32::RegistryHive& hive) {
        hive.createKey(path);
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS)
        return result;
    *phkResult = newHandle({parent->hive, path});
    return ERROR_SUCCESS;
}

} // namespace

LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return openExisting(hKey, lpSubKey, phkResult, false);
}

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM, PHKEY phkResult)
{
    if (ulOptions != 0)
        return ERROR_INVALID_PARAMETER;
    return openExisting(hKey, lpSubKey, phkResult, false);
}

LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return openExisting(hKey, lpSubKey, phkResult, true);
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData)
{
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    const auto key = resolve(hKey);
    if (!key)
        return ERROR_INVALID_HANDLE;
    const auto reading = win32::readHive(key->hive);
    if (reading.status != ERROR_SUCCESS)
        return reading.status;
    if (!reading.hive->hasKey(key->path))
        return key->path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    const auto value = reading.hive->value(key->path, valueName(lpValueName));
    if (!value)
        return ERROR_FILE_NOT_FOUND;

    if (lpType)
        *lpType = value->type;
    const auto size = static_cast<DWORD>(value->data.size());
    if (lpData == nullptr) {
        if (lpcbData)
            *lpcbData = size;
        return ERROR_SUCCESS;
    }
    const DWORD room = *lpcbData;
    *lpcbData = size;
    if (room < size)
        return ERROR_MORE_DATA;
    if (size > 0)
        std::memcpy(lpData, value->data.data(), size);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData)
{
    if (Reserved != 0 || (lpData == nullptr && cbData != 0))
        return ERROR_INVALID_PARAMETER;
    const std::string name = valueName(lpValueName);
    if (!storableName(name))
        return ERROR_INVALID_PARAMETER;
    const auto key = resolve(hKey);
    if (!key)
        return ERROR_INVALID_HANDLE;
    win32::RegistryValue value{dwType, std::vector<BYTE>(lpData, lpData + cbData)};
    return win32::changeHive(key->hive, [&](win32::RegistryHive& hive) -> LONG {
        if (!hive.hasKey(key->path))
            return ERROR_KEY_DELETED;
        hive.setValue(key->path, name, std::move(value));
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    const auto key = resolve(hKey);
    if (!key)
        return ERROR_INVALID_HANDLE;
    const std::string name = valueName(lpValueName);
    const auto reading = win32::readHive(key->hive);
    if (reading.status != ERROR_SUCCESS)
        return reading.status;
    if (!reading.hive->value(key->path, name))
        return ERROR_FILE_NOT_FOUND;
    return win32::changeHive(key->hive, [&](win32::RegistryHive& hive) -> LONG {
        return hive.deleteValue(key->path, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LSTATUS WINAPI RegCloseKey(HKEY hKey)
{
    if (predefinedKey(hKey))
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> guard(handlesLock);
    auto* open = reinterpret_cast<OpenKey*>(hKey);
    if (openKeys.erase(open) == 0)
        return ERROR_INVALID_HANDLE;
    delete open;
    return ERROR_SUCCESS;
}
