// The dialog as the tray program it is: hidden to and restored from the
// tray, the tray menu built at each right click, the system menu with the
// About box and an inert Close, and the ways the dialog ends.
#include "DriverTwist.h"
#include "SettingsDialogFixture.h"

#include "CSettingsApp.h"
#include "CSystemTray.h"

#include <MenuSnapshot.h>
#include <WindowObject.h>

#include <cstring>
#include <optional>

namespace {

using namespace std::chrono_literals;
using win32::detail::MenuSnapshot;

constexpr DWORD kReadCpuBlock = 0x80882A80;

class SettingsTrayTest : public SettingsDialogTest
{
protected:
    HWND trayWindow() const { return dialog->systemTray()->GetSafeHwnd(); }

    // The tray menu a right click builds, caught where it would be shown.
    MenuSnapshot rightClickMenu()
    {
        MenuSnapshot shown;
        HWND owner = nullptr;
        win32::detail::ScopedMenuPresenter presenter([&](const MenuSnapshot& menu, POINT, HWND to) {
            shown = menu;
            owner = to;
        });
        EXPECT_EQ(
            SendMessageA(trayWindow(), RegisterWindowMessageA("Tessary tray notification"), IDR_TRAYMENU, WM_RBUTTONUP),
            1);
        EXPECT_EQ(owner, window()) << "the choice goes to the dialog";
        return shown;
    }

    // The dialog is on the screen, not hidden to the tray.
    bool shown() const { return IsWindowVisible(window()) != FALSE; }

    bool settlesHidden()
    {
        return testing_loop::pumpUntil([&] { return !shown() && dialog->isHiddenToTray(); }, 2s);
    }
    bool settlesShown()
    {
        return testing_loop::pumpUntil([&] { return shown() && !dialog->isHiddenToTray(); }, 2s);
    }
};

std::string checkedCpuItem(const MenuSnapshot& menu)
{
    std::string checked;
    for (const auto& item : menu.items)
        for (const auto& cpu : item.items)
            if (cpu.isChecked())
                checked += (checked.empty() ? "" : " ") + cpu.text;
    return checked;
}

TEST_F(SettingsTrayTest, TrayMenuHasItsItemsWithRestoreAsTheDefault)
{
    openDialog();
    const MenuSnapshot menu = rightClickMenu();
    ASSERT_EQ(menu.items.size(), 3u);
    EXPECT_EQ(menu.items[0].text, "&Restore");
    EXPECT_EQ(menu.items[0].id, static_cast<UINT>(ID_TRAY_RESTORE));
    EXPECT_TRUE(menu.items[0].isDefault);
    EXPECT_EQ(menu.items[1].text, "CPU");
    ASSERT_EQ(menu.items[1].items.size(), 3u);
    EXPECT_EQ(menu.items[1].items[0].id, static_cast<UINT>(ID_CPU_HIGH));
    EXPECT_EQ(menu.items[1].items[1].id, static_cast<UINT>(ID_CPU_MEDIUM));
    EXPECT_EQ(menu.items[1].items[2].id, static_cast<UINT>(ID_CPU_LOW));
    EXPECT_EQ(menu.items[2].text, "E&xit");
    EXPECT_FALSE(menu.items[2].isDefault);
}

// The level is read at each right click; only the three levels the menu
// offers check an item, whatever cpuMenuItemForLevel makes of the others.
TEST_F(SettingsTrayTest, RightClickChecksTheCpuLevelReadThen)
{
    std::optional<std::uint32_t> level;
    auto twist = std::make_shared<testing_support::DriverTwist>(driver.shared());
    twist->answer = [&](DWORD code, void* out, DWORD outSize, win32::IoResult& result) {
        if (code != kReadCpuBlock || !level || outSize < sizeof(CpuBlock))
            return false;
        CpuBlock block = {};
        block.words[kCpuSettingWord] = *level;
        std::memcpy(out, &block, sizeof block);
        result = {ERROR_SUCCESS, sizeof block};
        return true;
    };
    win32::ScopedDriverBackend twisted(twist);
    openDialog();

    const struct
    {
        std::optional<std::uint32_t> level;
        const char* checked;
    } cases[] = {{2000, "Medium"}, {1000, "High"}, {4000, "Low"}, {3000, ""}, {137, ""}, {139, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level.value_or(0));
        level = c.level;
        EXPECT_EQ(checkedCpuItem(rightClickMenu()), c.checked);
    }
    level = 138;
    EXPECT_EQ(dialog->cpuMenuItemForLevel(), 138u) << "the function's own result stays as it was";

    driver->failRequests(kReadCpuBlock, 0xE0000001);
    level.reset();
    EXPECT_EQ(checkedCpuItem(rightClickMenu()), "") << "an unreadable level checks nothing";
}

TEST_F(SettingsTrayTest, StartsHiddenAndGoesBetweenTrayAndScreen)
{
    openDialog();
    ASSERT_TRUE(settlesHidden()) << "the program starts in the tray";
    EXPECT_TRUE(dialog->hasTrayIcon());

    SendMessageA(trayWindow(), RegisterWindowMessageA("Tessary tray notification"), IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(settlesShown()) << "a double click restores";
    click(IDC_DONE);
    EXPECT_TRUE(settlesHidden()) << "Done hides to the tray";
    SendMessageA(window(), WM_COMMAND, ID_TRAY_RESTORE, 0);
    EXPECT_TRUE(settlesShown()) << "Restore from the menu";
    SendMessageA(window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(settlesHidden()) << "minimising hides to the tray";
    SendMessageA(window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(settlesShown());
}

// Another start restores the dialog through its Restore command, so the
// dialog knows it is shown: Done hides it again afterwards.
TEST_F(SettingsTrayTest, ActivationFromAnotherStartLeavesDoneWorking)
{
    openDialog();
    ASSERT_TRUE(settlesHidden());
    // This process registered its first dialog long ago: the word names this one now.
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "CInstanceChecker_MMF_Tessary App");
    ASSERT_NE(mapping, nullptr);
    auto* word = static_cast<DWORD*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4));
    ASSERT_NE(word, nullptr);
    *word = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(window()));
    UnmapViewOfFile(word);
    CloseHandle(mapping);

    CInstanceChecker secondStart(ID_TRAY_RESTORE);
    ASSERT_TRUE(secondStart.isAnotherInstanceRunning());
    EXPECT_EQ(secondStart.activateOtherInstance(), window());
    ASSERT_TRUE(settlesShown());
    click(IDC_DONE);
    EXPECT_TRUE(settlesHidden());
}

TEST_F(SettingsTrayTest, SystemMenuOffersAboutAndCloseDoesNothing)
{
    openDialog();
    HMENU menu = GetSystemMenu(window(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), CSettingsDlg::kAboutCommand);
    char text[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(count - 1), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Ostrel Tessary...");
    EXPECT_TRUE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);

    auto* frame = dynamic_cast<juce::DocumentWindow*>(win32::frameOf(window()));
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(frame->getCloseButton(), nullptr);
    EXPECT_FALSE(frame->getCloseButton()->isEnabled()) << "the close box shows it does nothing";
    frame->closeButtonPressed(); // the close box, or the window manager's close
    testing_loop::pumpFor(50ms);
    EXPECT_TRUE(IsWindow(window()));
    EXPECT_TRUE(dialog->hasTrayIcon()) << "still running";
}

TEST_F(SettingsTrayTest, AboutBoxComesFromTemplate100AndEndsWithOk)
{
    openDialog();
    std::string caption;
    RECT client = {};
    // Once the About box runs modally, look at it and press OK.
    juce::MessageManager::callAsync([&] {
        for (HWND candidate : win32::detail::topLevelWindows()) {
            char text[64] = {};
            GetWindowTextA(candidate, text, sizeof text);
            if (std::strcmp(text, "About Ostrel Tessary") != 0)
                continue;
            caption = text;
            GetClientRect(candidate, &client);
            SendMessageA(candidate, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    });
    SendMessageA(window(), WM_SYSCOMMAND, CSettingsDlg::kAboutCommand, 0);
    EXPECT_EQ(caption, "About Ostrel Tessary");
    EXPECT_EQ(client.right, 302) << "201 x 218 dialog units at 96 DPI";
    EXPECT_EQ(client.bottom, 354);
    EXPECT_TRUE(IsWindow(window()));
}

TEST_F(SettingsTrayTest, DragIconIsTheProgramIcon)
{
    openDialog();
    const auto icon = reinterpret_cast<HICON>(SendMessageA(window(), WM_QUERYDRAGICON, 0, 0));
    const juce::Image image = win32::imageOf(icon);
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.getWidth(), GetSystemMetrics(SM_CXICON));
}

TEST_F(SettingsTrayTest, DestroyingTheWindowNeverAddsATrayIcon)
{
    openDialog();
    ASSERT_TRUE(dialog->hasTrayIcon());
    dialog->toggleTrayIcon(); // the icon is gone already
    ASSERT_FALSE(dialog->hasTrayIcon());
    dialog->DestroyWindow();
    EXPECT_FALSE(dialog->hasTrayIcon());
}

// Exit, Escape and the quit of another start all end the modal dialog; the
// notification thread is stopped by then, before anything else goes.
TEST_F(SettingsTrayTest, EveryWayOutStopsTheNotificationThreadFirst)
{
    const struct
    {
        const char* way;
        std::function<void(HWND)> leave;
    } ways[] = {
        {"Exit", [](HWND dialogWindow) { PostMessageA(dialogWindow, WM_COMMAND, ID_TRAY_EXIT, 0); }},
        {"Escape",
         [](HWND dialogWindow) {
             win32::componentOf(dialogWindow)->keyPressed(juce::KeyPress(juce::KeyPress::escapeKey));
         }},
        {"quit from another start", [](HWND dialogWindow) { PostMessageA(dialogWindow, WM_QUIT, 0, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        dialog = std::make_unique<CSettingsDlg>();
        CSettingsDlg* running = dialog.get();
        bool startedWhileRunning = false;
        juce::MessageManager::callAsync([running, &way, &startedWhileRunning] {
            startedWhileRunning = running->notifications().isStarted();
            way.leave(running->m_hWnd);
        });
        dialog->DoModal();
        EXPECT_TRUE(startedWhileRunning);
        EXPECT_FALSE(dialog->notifications().isStarted());
        EXPECT_FALSE(dialog->hasTrayIcon());
        driver->queueNotification(2); // nobody is told any more
        testing_loop::pumpFor(30ms);
        dialog.reset();
    }
}

// Every start that ends early lets go of its dialog as the main window before
// the dialog goes: none running with the exit switch, and another instance
// running (its window here is null), with the switch and without.
TEST_F(SettingsTrayTest, EarlyEndsOfTheStartLeaveNoMainWindowBehind)
{
    const std::string mappingName = "CInstanceChecker_MMF_Tessary App";
    // A dialog made earlier in this process registered it for good (ctest runs each test alone).
    if (HANDLE earlier = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, mappingName.c_str())) {
        CloseHandle(earlier);
        GTEST_SKIP() << "this process already runs as the instance";
    }
    const struct
    {
        const char* commandLine;
        bool anotherRunning;
    } starts[] = {{"/e", false}, {"", true}, {"/e", true}};
    for (const auto& start : starts) {
        SCOPED_TRACE(testing::Message() << "'" << start.commandLine << "', another running: " << start.anotherRunning);
        HANDLE other = start.anotherRunning ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4,
                                                                 mappingName.c_str())
                                            : nullptr;
        ASSERT_EQ(other != nullptr, start.anotherRunning);
        {
            CSettingsApp program;
            program.m_lpCmdLine = start.commandLine;
            EXPECT_EQ(program.InitInstance(), FALSE);
            EXPECT_EQ(AfxGetMainWnd(), nullptr);
        }
        if (other != nullptr)
            CloseHandle(other);
    }
}

// The profile key's application name is the executable's base name, as the
// framework has it, whatever the program is called (TessarySettings as installed).
TEST_F(SettingsTrayTest, ProfileIsKeptUnderTheExecutablesBaseName)
{
    const std::string executable =
        juce::File::getSpecialLocation(juce::File::currentExecutableFile).getFileNameWithoutExtension().toStdString();
    ASSERT_NE(executable, "TessarySettings");
    CSettingsApp program;
    EXPECT_EQ(program.m_pszAppName, executable);
}

} // namespace
