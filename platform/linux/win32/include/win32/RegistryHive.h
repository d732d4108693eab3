// One registry hive in memory and its text form, the registry export format:
//
//   Windows Registry Editor Version 5.00
//
//   ; a comment line
//   [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\VRD_1394\ConfigDB\Settings]
//   "IsoStreamBufferDepth[us]"=dword:000007d0
//   "Name"="text with \"quotes\" and \\ backslashes"
//   @="the key's default value"
//   "Blob"=hex:01,02,03,04   (long lists go on over lines ending in ",\" + line break)
//   "Path"=hex(2):25,00,00,00
//
// Key and value names compare without regard to case and keep the case they were
// created with. Keys are written in sorted order, every parent before its children,
// so the file diffs cleanly; values in the order they were first set. A key the
// file names only as the parent of another is not written out on its own unless
// it holds values. Comment lines stay with the key or value line they precede
// (and go when it is deleted); those after the last line stay at the end.
//
// Reading and writing take time in proportion to the text: keys form a tree, and
// values are found by name through a hash table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

struct RegistryValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    bool operator==(const RegistryValue& other) const { return type == other.type && data == other.data; }
};

class RegistryHive
{
public:
    // Keys nest at most this deep below the hive's root, as on Windows.
    static constexpr std::size_t kMaxDepth = 512;

    // `rootName` is the hive's name as it heads every key path in the file,
    // e.g. "HKEY_LOCAL_MACHINE".
    explicit RegistryHive(std::string rootName);
    ~RegistryHive();
    RegistryHive(const RegistryHive& other);
    RegistryHive& operator=(const RegistryHive& other);
    RegistryHive(RegistryHive&& other) noexcept;
    RegistryHive& operator=(RegistryHive&& other) noexcept;

    // Parses a hive file. Returns nothing when the text is not a well-formed export
    // of this hive (wrong header, a key of another hive or deeper than kMaxDepth, a
    // line that is not a value); `problem`, when given, then tells which line and why.
    static std::optional<RegistryHive> parse(const std::string& rootName, std::string_view text,
                                             std::string* problem = nullptr);
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
    struct Key;
    class Parser;

    Key* findKey(const std::string& path) const;
    // Walks down from the root, creating what is missing; created parents count as
    // written keys unless `parentsImplied`.
    Key* createKey(const std::vector<std::string>& names, bool parentsImplied);
    void write(const Key& key, std::string& path, std::string& out) const;

    std::string root;
    std::unique_ptr<Key> top;
    std::vector<std::string> headComments; // before the header line
    std::vector<std::string> tailComments; // after the last key or value line
};

// Splits a relative key path at backslashes. Fails on empty names (leading,
// trailing or doubled backslashes), on names the file cannot hold and on paths
// deeper than RegistryHive::kMaxDepth.
std::optional<std::vector<std::string>> splitKeyPath(const std::string& path);

} // namespace win32
