#include "DepthSetting.h"
#include "DiagTool.h"

#include "../platform/RegistryTestSupport.h"
#include "DiagTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using testing_support::RecordingMessageBoxes;
using testing_support::ScopedRegistry;

const std::string kSettings =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VRD_1394\\ConfigDB\\Settings]\n";

void store(const ScopedRegistry& registry, const std::string& valueLine)
{
    ScopedRegistry::write(registry.machineHive(), kSettings + "\"IsoStreamBufferDepth[us]\"=" + valueLine + "\n");
}

TEST(DepthSetting, ReadsTheStoredValueAsText)
{
    ScopedRegistry registry;
    const std::pair<const char*, const char*> cases[] = {
        {"dword:00002ee0", "12000"},
        {"dword:ffffffff", "-1"},
        {"\"4000\"", "4000"},
        {"hex(2):35,30,30,00", "500"},
        {"hex(1):33,00,39,39", "3"},    // cut at the first NUL
        {"hex(1):34,30,30,30", "4000"}, // no NUL at all
        {"hex:d0,07", "2000"},          // short binary: the missing bytes are 0
        {"hex:20,4e,00,00,ff,ff", ""},  // more than four bytes do not fit the read
        {"hex(7):31,00,00", ""},        // other types read as nothing
        {"hex(1):", ""},
    };
    for (const auto& [line, text] : cases) {
        store(registry, line);
        EXPECT_EQ(diag::readDepthText(), std::optional<std::string>(text)) << line;
    }

    ScopedRegistry::write(registry.machineHive(), kSettings);
    EXPECT_EQ(diag::readDepthText(), std::optional<std::string>(""));
    ScopedRegistry::write(registry.machineHive(), "Windows Registry Editor Version 5.00\n");
    EXPECT_EQ(diag::readDepthText(), std::nullopt);
}

TEST(DiagTool, StartUpShowsTheStoredDepthThenTheWindow)
{
    ScopedRegistry registry;
    store(registry, "dword:00000bb8");
    RecordingMessageBoxes boxes;
    diag::DiagTool tool(boxes, [] {});
    bool shown = false;
    tool.startUp([&] { shown = true; });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(tool.currentDepthCaption(), "3 ms");
    EXPECT_EQ(tool.pendingDepth(), 3000);
    EXPECT_EQ(tool.preselectedChoice(), diag::kDefaultChoice);
}

TEST(DiagTool, MissingKeyWarnsBeforeTheWindowAndAgainOnOk)
{
    ScopedRegistry registry;
    RecordingMessageBoxes boxes;
    bool ended = false;
    diag::DiagTool tool(boxes, [&] { ended = true; });
    bool shown = false;
    tool.startUp([&] { shown = true; });
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"Key not found! Please re-install driver."});
    EXPECT_TRUE(boxes.shown[0].warning);
    EXPECT_FALSE(shown);
    boxes.dismissAll();
    EXPECT_TRUE(shown);
    EXPECT_EQ(tool.currentDepthCaption(), "");
    EXPECT_EQ(tool.pendingDepth(), 0);

    tool.choose(diag::kDefaultChoice);
    tool.confirm();
    boxes.dismissAll();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{
                                 "Key not found! Please re-install driver.",
                                 "Key not found! Please re-install driver.",
                                 "Please disconnect and reconnect the Ostrel Tessary to enable the new setting.",
                             }));
    EXPECT_TRUE(ended);
    EXPECT_EQ(ScopedRegistry::read(registry.machineHive()), ""); // nothing created
}

// The tool's own advice stays as it is; the damaged file and why it is damaged
// go to stderr, once, so the user can repair it instead of re-installing.
TEST(DiagTool, DamagedHiveKeepsTheAdviceAndNamesTheFileOnStderr)
{
    ScopedRegistry registry;
    store(registry, "dword:not a number");
    RecordingMessageBoxes boxes;
    diag::DiagTool tool(boxes, [] {});
    testing::internal::CaptureStderr();
    tool.startUp([] {});
    boxes.dismissAll();
    tool.confirm();
    boxes.dismissAll();
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{
                                 "Key not found! Please re-install driver.",
                                 "Key not found! Please re-install driver.",
                                 "Please disconnect and reconnect the Ostrel Tessary to enable the new setting.",
                             }));
    const std::string report = registry.machineHive() + " is damaged (line 4: ";
    EXPECT_NE(errors.find(report), std::string::npos) << errors;
    EXPECT_EQ(errors.find(registry.machineHive()), errors.rfind(registry.machineHive())) << errors;
}

TEST(DiagTool, OkEndsOnlyAfterTheAdviceIsDismissedAndOnlyOnce)
{
    ScopedRegistry registry;
    store(registry, "dword:000007d0");
    RecordingMessageBoxes boxes;
    int ended = 0;
    diag::DiagTool tool(boxes, [&] { ++ended; });
    tool.startUp([] {});
    tool.choose(1);
    tool.confirm();
    EXPECT_EQ(ended, 0);
    EXPECT_NE(ScopedRegistry::read(registry.machineHive()).find("=dword:00002ee0\n"), std::string::npos);
    tool.confirm();
    tool.cancel();
    boxes.dismissAll();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(DiagTool, RefusedWriteIsReportedInsteadOfTheReconnectAdvice)
{
    ScopedRegistry registry;
    store(registry, "dword:000007d0");
    const std::string before = ScopedRegistry::read(registry.machineHive());
    ASSERT_EQ(::chmod(registry.machineHive().c_str(), 0444), 0);
    RecordingMessageBoxes boxes;
    bool ended = false;
    diag::DiagTool tool(boxes, [&] { ended = true; });
    tool.startUp([] {});
    tool.choose(0);
    tool.confirm();
    boxes.dismissAll();
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{diag::kWriteRefused});
    EXPECT_TRUE(boxes.shown[0].warning);
    EXPECT_TRUE(ended);
    EXPECT_EQ(ScopedRegistry::read(registry.machineHive()), before);
}

TEST(DiagTool, AboutNamesTheProgramAndItsVersion)
{
    const std::string text = diag::aboutText("TessaryDiag", {1, 2, 3});
    EXPECT_EQ(text.rfind("TessaryDiag  Version 1.2.3\n\n", 0), 0u) << text;
    const std::string notice = text.substr(text.find("\n\n") + 2);
    EXPECT_EQ(std::count(notice.begin(), notice.end(), '\n'), 1) << "two notice lines";
}

} // namespace
