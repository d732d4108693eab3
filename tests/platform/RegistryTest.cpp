#include <windows.h>

#include "RegistryTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using testing_support::ScopedRegistry;

struct Stored
{
    LONG status = ERROR_SUCCESS;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

Stored query(HKEY key, const char* name)
{
    Stored stored;
    DWORD size = 0;
    stored.status = RegQueryValueExA(key, name, nullptr, &stored.type, nullptr, &size);
    if (stored.status != ERROR_SUCCESS)
        return stored;
    stored.data.resize(size);
    stored.status = RegQueryValueExA(key, name, nullptr, &stored.type, stored.data.data(), &size);
    stored.data.resize(size);
    return stored;
}

std::vector<BYTE> bytes(const std::string& text, bool withNul = true)
{
    std::vector<BYTE> out(text.begin(), text.end());
    if (withNul)
        out.push_back(0);
    return out;
}

HKEY createKey(HKEY root, const char* path)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(root, path, &key), ERROR_SUCCESS) << path;
    return key;
}

LONG setValue(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data)
{
    return RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

TEST(Registry, EveryValueTypeSurvivesTheHiveFile)
{
    ScopedRegistry registry;
    const struct
    {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    } values[] = {
        {"Text", REG_SZ, bytes("plain text")},
        {"Empty text", REG_SZ, bytes("")},
        {"Unterminated", REG_SZ, bytes("no end", false)},
        {"Two lines", REG_SZ, bytes("line 1\r\nline 2")},
        {"Expandable", REG_EXPAND_SZ, bytes("%SystemRoot%\\system32")},
        {"Number", REG_DWORD, {0x20, 0x4E, 0x00, 0x00}},
        {"Short number", REG_DWORD, {0x01, 0x02}},
        {"Blob", REG_BINARY, std::vector<BYTE>(100, 0xA5)},
        {"Nothing", REG_BINARY, {}},
        {"List", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
        {"Wide", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"Untyped", REG_NONE, {0xFF}},
        {"", REG_SZ, bytes("default value")},
    };
    HKEY key = createKey(HKEY_CURRENT_USER, "Software\\Ostrel\\Tessary");
    for (const auto& v : values)
        ASSERT_EQ(setValue(key, v.name, v.type, v.data), ERROR_SUCCESS) << v.name;
    RegCloseKey(key);

    const std::string first = ScopedRegistry::read(registry.userHive());
    EXPECT_NE(first.find("\"Number\"=dword:00004e20\n"), std::string::npos) << first;
    EXPECT_NE(first.find("\"Text\"=\"plain text\"\n"), std::string::npos) << first;
    EXPECT_NE(first.find("@=\"default value\"\n"), std::string::npos) << first;
    EXPECT_NE(first.find("\"Blob\"=hex:a5,a5,"), std::string::npos) << first;
    EXPECT_NE(first.find("\"Expandable\"=hex(2):25,53,"), std::string::npos) << first;
    for (const auto& line : {first.substr(0, first.find('\n'))})
        EXPECT_EQ(line, "Windows Registry Editor Version 5.00");

    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "software\\OSTREL\\tessary", &key), ERROR_SUCCESS);
    for (const auto& v : values) {
        const Stored stored = query(key, v.name);
        EXPECT_EQ(stored.status, ERROR_SUCCESS) << v.name;
        EXPECT_EQ(stored.type, v.type) << v.name;
        EXPECT_EQ(stored.data, v.data) << v.name;
    }
    RegCloseKey(key);

    // Rewriting the hive after a change leaves the other values' text as it was.
    key = createKey(HKEY_CURRENT_USER, "Software\\Ostrel\\Tessary");
    ASSERT_EQ(setValue(key, "Text", REG_SZ, bytes("plain text")), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ScopedRegistry::read(registry.userHive()), first);
}

TEST(Registry, NamesWithSpacesBracketsBackslashesAndQuotes)
{
    ScopedRegistry registry;
    const char* keyPath = "SOFTWARE\\Odd [key] \"name\" with spaces";
    const char* valueName = "a\\b \"c\" [d]=e";
    const auto text = bytes("C:\\Program Files\\\"Tessary\"");
    HKEY key = createKey(HKEY_LOCAL_MACHINE, keyPath);
    ASSERT_EQ(setValue(key, valueName, REG_SZ, text), ERROR_SUCCESS);
    RegCloseKey(key);

    const std::string hive = ScopedRegistry::read(registry.machineHive());
    EXPECT_NE(hive.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Odd [key] \"name\" with spaces]\n"
                        "\"a\\\\b \\\"c\\\" [d]=e\"=\"C:\\\\Program Files\\\\\\\"Tessary\\\"\"\n"),
              std::string::npos)
        << hive;

    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, keyPath, &key), ERROR_SUCCESS);
    const Stored stored = query(key, valueName);
    EXPECT_EQ(stored.status, ERROR_SUCCESS);
    EXPECT_EQ(stored.data, text);
    RegCloseKey(key);
}

TEST(Registry, QueriesReportSizesMissingNamesAndBadArguments)
{
    ScopedRegistry registry;
    HKEY key = createKey(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings");
    ASSERT_EQ(setValue(key, "Text", REG_SZ, bytes("12345")), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);

    BYTE small[3] = {0xEE, 0xEE, 0xEE};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);

    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, small, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(setValue(key, "Line\nbreak", REG_SZ, bytes("x")), ERROR_INVALID_PARAMETER);

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Nowhere", &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\\\Settings", &missing), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM", nullptr), ERROR_INVALID_PARAMETER);

    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyA(key, nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, key);

    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST(Registry, DeletingValuesAndHandlesOfKeysRemovedByAnotherWriter)
{
    ScopedRegistry registry;
    HKEY key = createKey(HKEY_CURRENT_USER, "Software\\Gone");
    ASSERT_EQ(setValue(key, "Value", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "VALUE"), ERROR_SUCCESS);
    EXPECT_EQ(query(key, "Value").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "Value"), ERROR_FILE_NOT_FOUND);

    // Another program replaces the hive without the key.
    ScopedRegistry::write(registry.userHive(), "Windows Registry Editor Version 5.00\n");
    EXPECT_EQ(setValue(key, "Value", REG_DWORD, {1, 0, 0, 0}), ERROR_KEY_DELETED);
    EXPECT_EQ(ScopedRegistry::read(registry.userHive()), "Windows Registry Editor Version 5.00\n");
    RegCloseKey(key);
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing)
{
    ScopedRegistry registry;
    RegCloseKey(createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared"));
    constexpr int kWritesPerProcess = 40;

    auto writeMany = [](const char* prefix) {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared", &key) != ERROR_SUCCESS)
            return false;
        bool ok = true;
        for (int i = 0; i < kWritesPerProcess; ++i) {
            const std::string name = prefix + std::to_string(i);
            const DWORD value = static_cast<DWORD>(i);
            ok &= RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof value) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
        return ok;
    };

    std::vector<pid_t> children;
    for (const char* prefix : {"first ", "second "}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            ::_exit(writeMany(prefix) ? 0 : 1);
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared", &key), ERROR_SUCCESS);
    for (const char* prefix : {"first ", "second "})
        for (int i = 0; i < kWritesPerProcess; ++i) {
            const Stored stored = query(key, (prefix + std::to_string(i)).c_str());
            EXPECT_EQ(stored.status, ERROR_SUCCESS) << prefix << i;
            EXPECT_EQ(stored.data, (std::vector<BYTE>{static_cast<BYTE>(i), 0, 0, 0}));
        }
    RegCloseKey(key);
}

TEST(Registry, ReadOnlyMachineHiveRefusesChangesButStillReads)
{
    ScopedRegistry registry;
    HKEY key = createKey(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings");
    ASSERT_EQ(setValue(key, "Depth", REG_DWORD, {0xD0, 0x07, 0, 0}), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string before = ScopedRegistry::read(registry.machineHive());
    ASSERT_EQ(::chmod(registry.machineHive().c_str(), 0444), 0);

    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", &key), ERROR_SUCCESS);
    EXPECT_EQ(query(key, "Depth").data, (std::vector<BYTE>{0xD0, 0x07, 0, 0}));
    EXPECT_EQ(setValue(key, "Depth", REG_DWORD, {0x20, 0x4E, 0, 0}), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(key, "Depth"), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    HKEY created = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Other", &created), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ScopedRegistry::read(registry.machineHive()), before);

    // The user's own hive is still writable.
    key = createKey(HKEY_CURRENT_USER, "Software\\Ostrel");
    EXPECT_EQ(setValue(key, "Depth", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(Registry, RewritingAHiveKeepsItsPermissions)
{
    ScopedRegistry registry;
    RegCloseKey(createKey(HKEY_CURRENT_USER, "Software"));
    ASSERT_EQ(::chmod(registry.userHive().c_str(), 0600), 0);
    HKEY key = createKey(HKEY_CURRENT_USER, "Software\\Private");
    RegCloseKey(key);
    struct stat info
    {
    };
    ASSERT_EQ(::stat(registry.userHive().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(Registry, UnwritableFolderRefusesANewMachineHive)
{
    ScopedRegistry registry;
    ASSERT_EQ(::chmod(registry.folder.c_str(), 0555), 0);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", &key), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, MalformedHiveReadsAsMissingAndIsKept)
{
    ScopedRegistry registry;
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\SYSTEM\\Settings]\n"
                                "\"Depth\"=dword:not a number\n";
    ScopedRegistry::write(registry.machineHive(), damaged);

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Settings", &key), ERROR_BADDB);
    EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "Depth", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4),
              ERROR_BADDB);
    EXPECT_EQ(ScopedRegistry::read(registry.machineHive()), damaged);
}

TEST(Registry, HivesLiveInTheUsersDataFolderByDefault)
{
    ScopedRegistry registry;
    const std::string data = registry.folder + "/data";
    ::unsetenv("TESSARY_REGISTRY_DIR");
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const std::string previousData = oldData ? oldData : "";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);

    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ScopedRegistry::read(data + "/tessary/registry/HKEY_CURRENT_USER.reg"),
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n");

    if (oldData)
        ::setenv("XDG_DATA_HOME", previousData.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
