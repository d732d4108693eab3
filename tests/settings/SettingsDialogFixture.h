// One fixture for the settings dialog: a simulated driver in this process, a
// registry of the test's own, the program's profile and resources, and the
// dialog built without its modal loop (the test runs the message loop). The
// process keeps its named objects and window ports in a folder of its own
// and reaches no session bus, so the tray has no notification area.
#pragma once

#include "MessageLoop.h"
#include "RegistryTestSupport.h"
#include "SimulatedDriver.h"

#include "CSettingsDlg.h"
#include "SettingsResources.h"
#include "resource.h"

#include <win32/WindowSystem.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

// A runtime folder of this test process's own, made once and removed at exit.
// Without `sessionBus` the process reaches no session bus either.
inline void usePrivateRuntimeFolder(bool sessionBus)
{
    // A plain pointer, never freed: the exit handler runs after the function's
    // statics are destroyed, so a std::string here would be gone by then.
    static const char* folder = [sessionBus] {
        char pattern[] = "/tmp/settings-tests-XXXXXX";
        const char* made = ::strdup(::mkdtemp(pattern));
        ::setenv("XDG_RUNTIME_DIR", made, 1);
        if (!sessionBus)
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        std::atexit([] { std::filesystem::remove_all(folder); });
        return made;
    }();
}

class SettingsDialogTest : public SimulatedDriverTest
{
protected:
    explicit SettingsDialogTest(unsigned units = 1, bool sessionBus = false) : SimulatedDriverTest(units)
    {
        usePrivateRuntimeFolder(sessionBus);
        installSettingsResources();
        app.SetRegistryKey("Ostrel");
    }

    ~SettingsDialogTest() override
    {
        app.m_pMainWnd = nullptr;
        dialog.reset();
        testing_loop::dispatchPending();
        win32::setSystemDpi(0);
    }

    // The dialog, made the application's main window as the program makes it.
    void openDialog()
    {
        dialog = std::make_unique<CSettingsDlg>();
        app.m_pMainWnd = dialog.get();
        ASSERT_TRUE(dialog->Create());
        testing_loop::dispatchPending();
    }

    HWND window() const { return dialog->m_hWnd; }
    HWND control(int id) const { return GetDlgItem(window(), id); }

    std::vector<std::string> items(int id) const
    {
        std::vector<std::string> texts;
        const auto count = SendMessageA(control(id), CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[64] = {};
            SendMessageA(control(id), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    }

    // The selected item's text, or "" when nothing is selected.
    std::string selected(int id) const
    {
        const auto index = SendMessageA(control(id), CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? "" : items(id).at(static_cast<std::size_t>(index));
    }

    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    bool checked(int id) const { return SendMessageA(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    // The user picks item `index` of a list: the list's selection, then its notification.
    void choose(int id, int index)
    {
        SendMessageA(control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(window(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control(id)));
    }

    // The user clicks a button, through the JUCE button itself.
    void click(int id)
    {
        auto* button = dynamic_cast<juce::Button*>(win32::componentOf(control(id)));
        ASSERT_NE(button, nullptr);
        button->triggerClick();
        testing_loop::pumpFor(std::chrono::milliseconds(30));
    }

    void storeProfile(const char* entry, DWORD value)
    {
        app.WriteProfileInt("Tessary", entry, static_cast<int>(value));
    }

    // The profile value as the hive holds it; -1 when there is none.
    long long profileValue(const char* entry) const
    {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Ostrel\\TessarySettings\\Tessary", &key) != ERROR_SUCCESS)
            return -1;
        DWORD type = 0, value = 0, size = sizeof value;
        const auto status = RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long long>(value) : -1;
    }

    testing_support::ScopedRegistry registry;
    CWinApp app{"TessarySettings"};
    std::unique_ptr<CSettingsDlg> dialog;
};
