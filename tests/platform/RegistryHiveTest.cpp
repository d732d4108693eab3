#include <win32/RegistryHive.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using win32::RegistryHive;
using win32::RegistryValue;

const std::string kHeader = "Windows Registry Editor Version 5.00\n";

std::string chain(int levels)
{
    std::string path;
    for (int level = 0; level < levels; ++level)
        path += (level ? "\\" : "") + std::string("Level") + std::to_string(level);
    return path;
}

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

TEST(RegistryHive, KeysNestAtMost512LevelsDeep)
{
    const std::string deepest = "[HKEY_LOCAL_MACHINE\\" + chain(512) + "]\n";
    std::string problem;
    const auto hive = RegistryHive::parse("HKEY_LOCAL_MACHINE", kHeader + deepest, &problem);
    ASSERT_TRUE(hive) << problem;
    EXPECT_TRUE(hive->hasKey(chain(512)));

    const std::string tooDeep = "\n[HKEY_LOCAL_MACHINE\\" + chain(513) + "]\n";
    EXPECT_FALSE(RegistryHive::parse("HKEY_LOCAL_MACHINE", kHeader + tooDeep, &problem));
    EXPECT_EQ(problem, "line 3: a key deeper than 512 levels");
    EXPECT_FALSE(win32::splitKeyPath(chain(513)));

    RegistryHive made("HKEY_LOCAL_MACHINE");
    made.createKey(chain(513));
    made.setValue(chain(513), "Value", {REG_DWORD, {1, 0, 0, 0}});
    EXPECT_FALSE(made.hasKey("Level0"));
}

// A file that names only its deepest key is written back as it was, not with
// every parent spelt out (which made a 72 KB file hundreds of megabytes).
TEST(RegistryHive, ParentsAFileOnlyImpliesAreKeysButAreNotWrittenOut)
{
    const std::string text = kHeader + "\n[HKEY_CURRENT_USER\\" + chain(512) + "]\n\"Depth\"=dword:00000200\n";
    const auto hive = RegistryHive::parse("HKEY_CURRENT_USER", text);
    ASSERT_TRUE(hive);
    EXPECT_TRUE(hive->hasKey("Level0\\Level1"));
    EXPECT_EQ(hive->serialise(), text);

    const auto pruned =
        RegistryHive::parse("HKEY_CURRENT_USER", text + "\n[-HKEY_CURRENT_USER\\Level0\\Level1\\Level2]\n");
    ASSERT_TRUE(pruned);
    EXPECT_EQ(pruned->serialise(), kHeader + "\n[HKEY_CURRENT_USER\\Level0\\Level1]\n");
}

TEST(RegistryHive, AKeyWithTensOfThousandsOfValuesReadsAndWritesQuickly)
{
    constexpr int kValues = 44000;
    std::string text = kHeader + "\n[HKEY_LOCAL_MACHINE\\Wide]\n";
    for (int i = 0; i < kValues; ++i)
        text += "\"Value " + std::to_string(i) + "\"=dword:00000001\n";

    const auto start = std::chrono::steady_clock::now();
    auto hive = RegistryHive::parse("HKEY_LOCAL_MACHINE", text);
    ASSERT_TRUE(hive);
    int found = 0;
    for (int i = 0; i < kValues; ++i)
        found += hive->value("wide", "VALUE " + std::to_string(i)).has_value();
    hive->setValue("Wide", "value 0", {REG_DWORD, {2, 0, 0, 0}});
    const std::string written = hive->serialise();
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_EQ(found, kValues);
    EXPECT_EQ(written.size(), text.size());
    EXPECT_NE(written.find("\n\"Value 0\"=dword:00000002\n\"Value 1\"="), std::string::npos);
    EXPECT_LT(seconds, 5.0); // a scan per value took minutes
}

TEST(RegistryHive, CommentLinesStayWithTheLineTheyPrecede)
{
    const std::string text = "; before the header\n" + kHeader +
                             "\n"
                             "; about the settings key\n"
                             "[HKEY_LOCAL_MACHINE\\Settings]\n"
                             "\"First\"=dword:00000001\n"
                             "  ; about Second, indented   \r\n"
                             "\"Second\"=dword:00000002\n"
                             "; about a key that goes\n"
                             "[-HKEY_LOCAL_MACHINE\\Gone]\n"
                             "[HKEY_LOCAL_MACHINE\\Another]\n"
                             "; the end\n";
    auto hive = RegistryHive::parse("HKEY_LOCAL_MACHINE", text);
    ASSERT_TRUE(hive);
    hive->setValue("Settings", "Third", {REG_DWORD, {3, 0, 0, 0}});
    const std::string expected = "; before the header\n" + kHeader +
                                 "\n"
                                 "; about a key that goes\n"
                                 "[HKEY_LOCAL_MACHINE\\Another]\n"
                                 "\n"
                                 "; about the settings key\n"
                                 "[HKEY_LOCAL_MACHINE\\Settings]\n"
                                 "\"First\"=dword:00000001\n"
                                 "; about Second, indented\n"
                                 "\"Second\"=dword:00000002\n"
                                 "\"Third\"=dword:00000003\n"
                                 "\n"
                                 "; the end\n";
    EXPECT_EQ(hive->serialise(), expected);

    // A comment is never taken for the start of a hex list that goes on.
    const auto listed = RegistryHive::parse("HKEY_LOCAL_MACHINE", kHeader + "; =hex:\\\n[HKEY_LOCAL_MACHINE\\Key]\n");
    ASSERT_TRUE(listed);
    EXPECT_TRUE(listed->hasKey("Key"));
}

TEST(RegistryHive, TellsWhichLineIsDamagedAndWhy)
{
    const std::pair<std::string, std::string> cases[] = {
        {"just text\n", "line 1: the file does not start with a registry export header"},
        {kHeader + "\"A\"=dword:1\n", "line 2: a value line before the first key"},
        {kHeader + "[HKEY_CURRENT_USER]\n", "line 2: a key outside this hive"},
        {kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\"B\"=hex:01,\\\n  zz\n", "line 3: value data that is not a string, "
                                                                       "dword:, hex: or hex(type):"},
        {kHeader + "[HKEY_LOCAL_MACHINE\\A]\n\n" + std::string(1, '\0'), "line 4: a NUL byte"},
        {"", "no \"Windows Registry Editor Version 5.00\" line"},
    };
    for (const auto& [text, reason] : cases) {
        std::string problem;
        EXPECT_FALSE(RegistryHive::parse("HKEY_LOCAL_MACHINE", text, &problem)) << text;
        EXPECT_EQ(problem, reason) << text;
    }
}

} // namespace
