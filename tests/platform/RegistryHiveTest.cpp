#include <win32/RegistryHive.h>

#include <gtest/gtest.h>

namespace {

using win32::RegistryHive;
using win32::RegistryValue;

TEST(RegistryHive, ReadsAHandWrittenExport)
{
    const std::string text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                             "\r\n"
                             "; written by hand\r\n"
                             "[HKEY_LOCAL_MACHINE\\SYSTEM\\Settings]\r\n"
                             "\"Depth\" = DWORD:00002EE0\r\n"
                             "@=\"default\"\r\n"
                             "\"Blob\"=hex:01,02,\\\r\n"
                             "    03 , 04\r\n"
                             "\"Gone\"=\"soon\"\r\n"
                             "\"Gone\"=-\r\n"
                             "\"Typed\"=hex(7):61,00,00\r\n"
                             "\r\n"
                             "[HKEY_LOCAL_MACHINE\\SYSTEM\\Removed\\Child]\r\n"
                             "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Removed]\r\n";
    const auto hive = RegistryHive::parse("HKEY_LOCAL_MACHINE", text);
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->value("system\\settings", "depth"), (RegistryValue{REG_DWORD, {0xE0, 0x2E, 0, 0}}));
    EXPECT_EQ(hive->value("SYSTEM\\Settings", ""), (RegistryValue{REG_SZ, {'d', 'e', 'f', 'a', 'u', 'l', 't', 0}}));
    EXPECT_EQ(hive->value("SYSTEM\\Settings", "Blob"), (RegistryValue{REG_BINARY, {1, 2, 3, 4}}));
    EXPECT_EQ(hive->value("SYSTEM\\Settings", "Typed"), (RegistryValue{REG_MULTI_SZ, {'a', 0, 0}}));
    EXPECT_FALSE(hive->value("SYSTEM\\Settings", "Gone"));
    EXPECT_TRUE(hive->hasKey("SYSTEM"));
    EXPECT_FALSE(hive->hasKey("SYSTEM\\Removed"));
    EXPECT_FALSE(hive->hasKey("SYSTEM\\Removed\\Child"));
}

TEST(RegistryHive, RejectsWhatIsNotAnExportOfThisHive)
{
    for (const char* text : {"", "just text\n", "[HKEY_LOCAL_MACHINE\\SYSTEM]\n"}) // no header line
        EXPECT_FALSE(RegistryHive::parse("HKEY_LOCAL_MACHINE", text)) << text;

    const std::string header = "Windows Registry Editor Version 5.00\n";
    const char* brokenBodies[] = {
        "\"Value\"=\"before any key\"\n",
        "[HKEY_CURRENT_USER\\Software]\n",                       // another hive's key
        "[HKEY_LOCAL_MACHINEX\\SYSTEM]\n",                       // not this hive's name
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\\\Doubled]\n",             // empty key name
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=dword:123456789\n", // nine digits
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=dword:\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=hex:1,2g\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=hex:123\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=hex(:00\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=\"unterminated\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=\"text\" trailing\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\" \"no equals\"\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"A\"=unknown:1\n",
        "[HKEY_LOCAL_MACHINE\\SYSTEM]\nA=\"unquoted name\"\n",
    };
    for (const char* body : brokenBodies)
        EXPECT_FALSE(RegistryHive::parse("HKEY_LOCAL_MACHINE", header + body)) << body;
    EXPECT_FALSE(RegistryHive::parse("HKEY_LOCAL_MACHINE", header + std::string("[HKEY_LOCAL_MACHINE]\n\0", 22)));
}

TEST(RegistryHive, WritesKeysInOrderWithTheirParentsAndWrapsLongHexLists)
{
    RegistryHive hive("HKEY_CURRENT_USER");
    hive.setValue("Software\\Zeta", "A", {REG_DWORD, {1, 0, 0, 0}});
    hive.setValue("Software\\alpha beta", "B", {REG_BINARY, std::vector<BYTE>(40, 0x11)});
    hive.createKey("Software\\Alpha");
    hive.createKey("Software\\Alpha\\Child");

    const std::string text = hive.serialise();
    EXPECT_EQ(text, "Windows Registry Editor Version 5.00\n"
                    "\n[HKEY_CURRENT_USER\\Software]\n"
                    "\n[HKEY_CURRENT_USER\\Software\\Alpha]\n"
                    "\n[HKEY_CURRENT_USER\\Software\\Alpha\\Child]\n"
                    "\n[HKEY_CURRENT_USER\\Software\\alpha beta]\n"
                    "\"B\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\n"
                    "  11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11\n"
                    "\n[HKEY_CURRENT_USER\\Software\\Zeta]\n"
                    "\"A\"=dword:00000001\n");
    const auto again = RegistryHive::parse("HKEY_CURRENT_USER", text);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->serialise(), text);
}

} // namespace
