#include "DiagWindow.h"
#include "FrmMain.h"

#include "../platform/RegistryTestSupport.h"
#include "DiagTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>

namespace {

using testing_support::pumpUntil;
using testing_support::RecordingMessageBoxes;
using testing_support::ScopedRegistry;

const std::string kSettingsKey =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VRD_1394\\ConfigDB\\Settings]\n";
const std::string kAdvice = "Please disconnect and reconnect the Ostrel Tessary to enable the new setting.";

// The tool as the program runs it, up to a shown window, on a hive holding `valueLine`.
class DiagToolWindow : public ::testing::Test
{
protected:
    void start(const std::string& valueLine)
    {
        if (!valueLine.empty())
            ScopedRegistry::write(registry.machineHive(), "Windows Registry Editor Version 5.00\n\n" + kSettingsKey +
                                                              "\"IsoStreamBufferDepth[us]\"=" + valueLine + "\n");
        tool.startUp([this] { window = std::make_unique<diag::DiagWindow>(tool, [] {}); });
        boxes.dismissAll();
        ASSERT_TRUE(window);
    }

    diag::FrmMain& form() { return window->form(); }

    int selectedOption()
    {
        int selected = -1;
        for (int i = 0; i < 5; ++i)
            if (form().Option1[static_cast<std::size_t>(i)].getToggleState()) {
                EXPECT_EQ(selected, -1) << "two options on";
                selected = i;
            }
        return selected;
    }

    void click(juce::Button& button)
    {
        bool clicked = false;
        const auto previous = button.onClick;
        button.onClick = [&] {
            clicked = true;
            previous();
        };
        button.triggerClick();
        EXPECT_TRUE(pumpUntil([&] { return clicked; })) << button.getName();
        button.onClick = previous;
    }

    std::vector<BYTE> storedBytes()
    {
        HKEY key = nullptr;
        std::vector<BYTE> data(16);
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        EXPECT_EQ(
            RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\VRD_1394\\ConfigDB\\Settings", &key),
            ERROR_SUCCESS);
        EXPECT_EQ(RegQueryValueExA(key, "IsoStreamBufferDepth[us]", nullptr, &type, data.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, REG_DWORD);
        RegCloseKey(key);
        data.resize(size);
        return data;
    }

    std::string hive() { return ScopedRegistry::read(registry.machineHive()); }

    ScopedRegistry registry;
    RecordingMessageBoxes boxes;
    bool ended = false;
    diag::DiagTool tool{boxes, [this] { ended = true; }};
    std::unique_ptr<diag::DiagWindow> window;
};

TEST_F(DiagToolWindow, LaysOutTheFormAsDesigned)
{
    start("dword:000007d0");
    EXPECT_EQ(window->getName(), " Ostrel Tessary Diagnostics");
    EXPECT_EQ(form().getWidth(), 272);
    EXPECT_EQ(form().getHeight(), diag::FrmMain::kMenuBarHeight + 366);
    EXPECT_EQ(form().Frame1.getText(), "Reference Clock Interval Length");
    EXPECT_EQ(form().Label1.getText(), "Current :");

    std::vector<juce::ToggleButton*> topToBottom;
    for (auto& option : form().Option1)
        topToBottom.push_back(&option);
    std::sort(topToBottom.begin(), topToBottom.end(), [](auto* a, auto* b) { return a->getY() < b->getY(); });
    const char* captions[] = {"Small (1 ms)", "Medium (2 ms)  = Default", "Long (4 ms)", "Very Long (12 ms)",
                              "Maximum (20 ms)"};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(topToBottom[i]->getButtonText(), captions[i]);
        EXPECT_EQ(topToBottom[i]->getX(), 24);
        EXPECT_EQ(topToBottom[i]->getHeight(), 17);
    }
    EXPECT_EQ(form().Option1[4].getY(), 57);
    EXPECT_EQ(form().Option1[0].getY(), 190);
    for (auto& option : form().Option1)
        EXPECT_LE(option.getRight(), form().Frame1.getWidth()) << "an option runs out of the frame";

    const int top = diag::FrmMain::kMenuBarHeight;
    EXPECT_EQ(form().Command1.getButtonText(), "OK");
    EXPECT_EQ(form().Command1.getBounds(), juce::Rectangle<int>(136, top + 328, 57, 25));
    EXPECT_EQ(form().Command2.getButtonText(), "Cancel");
    EXPECT_EQ(form().Command2.getBounds(), juce::Rectangle<int>(208, top + 328, 57, 25));
    EXPECT_EQ(form().about.getName(), "About");
}

TEST_F(DiagToolWindow, StoredVeryLongDepthIsShownSelectedAndWrittenBack)
{
    start("dword:00002ee0");
    EXPECT_EQ(form().Lbl_BufferD.getText(), "12 ms");
    EXPECT_EQ(selectedOption(), 1);
    click(form().Command1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{kAdvice});
    EXPECT_TRUE(boxes.shown[0].warning);
    EXPECT_NE(hive().find(kSettingsKey + "\"IsoStreamBufferDepth[us]\"=dword:00002ee0\n"), std::string::npos);
    EXPECT_FALSE(ended);
    boxes.dismissAll();
    EXPECT_TRUE(ended);
}

TEST_F(DiagToolWindow, DepthNotOfferedShowsAsReadButBecomesTheDefault)
{
    start("dword:00000bb8");
    EXPECT_EQ(form().Lbl_BufferD.getText(), "3 ms");
    EXPECT_EQ(selectedOption(), 3);
    click(form().Command1);
    EXPECT_EQ(storedBytes(), (std::vector<BYTE>{0xD0, 0x07, 0x00, 0x00}));
}

TEST_F(DiagToolWindow, TextValueReadsAsItsNumberAndIsWrittenAsADword)
{
    start("\"4000\"");
    EXPECT_EQ(form().Lbl_BufferD.getText(), "4 ms");
    EXPECT_EQ(selectedOption(), 2);
    click(form().Command1);
    EXPECT_EQ(storedBytes(), (std::vector<BYTE>{0xA0, 0x0F, 0x00, 0x00}));
}

TEST_F(DiagToolWindow, MissingValueShowsZeroAndOkWritesTheDefault)
{
    ScopedRegistry::write(registry.machineHive(), "Windows Registry Editor Version 5.00\n\n" + kSettingsKey);
    start("");
    EXPECT_EQ(form().Lbl_BufferD.getText(), "0 ms");
    EXPECT_EQ(selectedOption(), 3);
    click(form().Command1);
    EXPECT_EQ(storedBytes(), (std::vector<BYTE>{0xD0, 0x07, 0x00, 0x00}));
}

TEST_F(DiagToolWindow, ChoosingMaximumWritesTwentyMilliseconds)
{
    start("dword:000007d0");
    click(form().Option1[0]);
    EXPECT_EQ(selectedOption(), 0);
    EXPECT_EQ(form().Lbl_BufferD.getText(), "2 ms") << "the label shows the stored depth until OK";
    click(form().Command1);
    EXPECT_EQ(storedBytes(), (std::vector<BYTE>{0x20, 0x4E, 0x00, 0x00}));
    EXPECT_NE(hive().find("\"IsoStreamBufferDepth[us]\"=dword:00004e20\n"), std::string::npos);
}

TEST_F(DiagToolWindow, MissingKeyLeavesTheLabelEmptyAndOkWarnsAgain)
{
    start("");
    EXPECT_EQ(form().Lbl_BufferD.getText(), "");
    EXPECT_EQ(selectedOption(), 3);
    click(form().Command1);
    boxes.dismissAll();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Key not found! Please re-install driver.",
                                                       "Key not found! Please re-install driver.", kAdvice}));
    EXPECT_TRUE(ended);
    EXPECT_EQ(hive(), "");
}

TEST_F(DiagToolWindow, CancelAndClosingTheWindowWriteNothing)
{
    start("dword:00002ee0");
    const std::string before = hive();
    click(form().Option1[4]);
    click(form().Command2);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(hive(), before);

    ended = false;
    diag::DiagTool second(boxes, [this] { ended = true; });
    second.startUp([] {});
    diag::DiagWindow closing(second, [] {});
    closing.form().Option1[0].setToggleState(true, juce::sendNotificationSync);
    closing.closeButtonPressed();
    EXPECT_TRUE(ended);
    EXPECT_EQ(hive(), before);
}

TEST_F(DiagToolWindow, AboutMenuItemShowsTheAboutBox)
{
    bool asked = false;
    start("dword:000007d0");
    diag::DiagWindow withAbout(tool, [&] { asked = true; });
    ASSERT_TRUE(withAbout.form().about.onClick);
    withAbout.form().about.onClick();
    EXPECT_TRUE(asked);
}

} // namespace
