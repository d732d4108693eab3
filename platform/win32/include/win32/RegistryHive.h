// One registry hive in memory and its text form, the registry export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\VRD_1394\ConfigDB\Settings]
//   "IsoStreamBufferDepth[us]"=dword:000007d0
//   "Name"="text with \"quotes\" and \\ backslashes"
//   @="the key's default value"
//   "Blob"=hex:01,02,03,04   (long lists go on over lines ending in ",\" + line break)
//   "Path"=hex(2):25,00,00,00
//
// Key and value names compare without regard to case and keep the case they were
// created with. Keys are written in sorted order, every parent before its children,
// so the file diffs cleanly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace win32 {

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    bool operator==(const RegistryValue& other) const { return type == other.type && data == other.data; }
};

class RegistryHive {
public:
    // `rootName` is the hive's name as it heads every key path in the file,
    // e.g. "HKEY_LOCAL_MACHINE".
    explicit RegistryHive(std::string rootName);

    // Parses a hive file. Returns nothing when the text is not a well-formed export
    // of this hive (wrong header, a key of another hive, a line that is not a value).
    static std::optional<RegistryHive> parse(const std::string& rootName, const std::string& text);
    std::string serialise() const;

    // Key paths are relative to the hive's root ("" is the root itself) and use
    // backslashes between names.
    bool hasKey(const std::string& path) const;
    void createKey(const std::string& path); // with any missing parents
    void deleteKey(const std::string& path); // with its subkeys

    // Values of an existing key; setting a value on a missing key creates the key.
    std::optional<RegistryValue> value(const std::string& keyPath, const std::string& name) const;
    void setValue(const std::string& keyPath, const std::string& name, RegistryValue value);
    bool deleteValue(const std::string& keyPath, const std::string& name);

    // The path as stored, in the case it was created with.
    std::optional<std::string> storedPath(const std::string& path) const;

    const std::string& rootName() const { return root; }

private:
    struct Key {
        std::string path;
        std::vector<std::pair<std::string, RegistryValue>> values;
    };
    Key* findKey(const std::string& path);
    const Key* findKey(const std::string& path) const;

    std::string root;
    std::map<std::string, Key> keys; // by sort key of the path
};

// Splits a relative key path at backslashes. Fails on empty names (leading,
// trailing or doubled backslashes) and on names the file cannot hold.
std::optional<std::vector<std::string>> splitKeyPath(const std::string& path);

} // namespace win32
