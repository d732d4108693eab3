#include "DriverConfiguration.h"

#include "RegistryTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using testing_support::ScopedRegistry;

const std::string kSettingsKey =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VRD_1394\\ConfigDB\\Settings]\n";
const std::string kHeader = "Windows Registry Editor Version 5.00\n\n" + kSettingsKey;

void storeDepth(const ScopedRegistry& registry, const std::string& line)
{
    ScopedRegistry::write(registry.machineHive(), kHeader + "\"IsoStreamBufferDepth[us]\"=" + line + "\n");
}

TEST(DriverConfiguration, InstallsTheSettingsKeyWithTheDefaultDepthOnFirstUse)
{
    ScopedRegistry registry;
    EXPECT_EQ(sim::loadStreamBufferDepth(), 2000u);
    const std::string hive = ScopedRegistry::read(registry.machineHive());
    EXPECT_NE(hive.find(kSettingsKey + "\"IsoStreamBufferDepth[us]\"=dword:000007d0\n"), std::string::npos) << hive;
}

TEST(DriverConfiguration, ReadsTheStoredDepthEachTime)
{
    ScopedRegistry registry;
    storeDepth(registry, "dword:00002ee0");
    EXPECT_EQ(sim::loadStreamBufferDepth(), 12000u);
    storeDepth(registry, "dword:00004e20");
    EXPECT_EQ(sim::loadStreamBufferDepth(), 20000u);
    storeDepth(registry, "\"4000\"");
    EXPECT_EQ(sim::loadStreamBufferDepth(), 4000u);
    storeDepth(registry, "hex:b8,0b,00,00");
    EXPECT_EQ(sim::loadStreamBufferDepth(), 3000u);
}

TEST(DriverConfiguration, FallsBackOrClampsWhenTheStoredDepthIsUnusable)
{
    ScopedRegistry registry;
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"dword:00000000", 2000},
        {"dword:000001f4", 1000},
        {"dword:ffffffff", 20000},
        {"\"fast\"", 2000},
        {"\"-5\"", 2000},
        {"hex:01,02", 2000},
        {"hex(b):00,00,00,00,00,00,00,00", 2000},
    };
    for (const auto& [line, expected] : cases) {
        storeDepth(registry, line);
        EXPECT_EQ(sim::loadStreamBufferDepth(), expected) << line;
    }
}

TEST(DriverConfiguration, KeyWithoutTheValueIsLeftAlone)
{
    ScopedRegistry registry;
    ScopedRegistry::write(registry.machineHive(), kHeader);
    EXPECT_EQ(sim::loadStreamBufferDepth(), 2000u);
    EXPECT_EQ(ScopedRegistry::read(registry.machineHive()), kHeader);
}

TEST(DriverConfiguration, ReadOnlyMachineHiveGivesTheDefaultWithoutWriting)
{
    ScopedRegistry registry;
    const std::string unrelated = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n";
    ScopedRegistry::write(registry.machineHive(), unrelated);
    ::chmod(registry.machineHive().c_str(), 0444);
    EXPECT_EQ(sim::loadStreamBufferDepth(), 2000u);
    EXPECT_EQ(ScopedRegistry::read(registry.machineHive()), unrelated);
}

} // namespace
