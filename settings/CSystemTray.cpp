#include "CSystemTray.h"

#include "CSettingsDlg.h"
#include "resource.h"

#include <cstring>

namespace {

constexpr BYTE kFirstVersionWithNotificationArea = 4;
constexpr int kTrayWindowSize = 10;
constexpr int kFirstPopup = 0;

} // namespace

CSystemTray::CSystemTray() : taskbarCreated(RegisterWindowMessageA("TaskbarCreated")) {}

CSystemTray::~CSystemTray()
{
    if (iconShown) {
        Shell_NotifyIconA(NIM_DELETE, &iconData);
        iconShown = false;
    }
    DestroyWindow();
}

bool CSystemTray::create(CWnd* parent, UINT callbackMessage, LPCSTR tip, HICON icon, UINT id)
{
    if (LOBYTE(LOWORD(GetVersion())) < kFirstVersionWithNotificationArea)
        return false;
    CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, kTrayWindowSize, kTrayWindowSize, nullptr, nullptr);

    iconData.cbSize = NOTIFYICONDATAA_V2_SIZE;
    iconData.hWnd = parent != nullptr ? parent->GetSafeHwnd() : GetSafeHwnd();
    iconData.uID = id;
    iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    iconData.uCallbackMessage = callbackMessage;
    iconData.hIcon = icon;
    std::strncpy(iconData.szTip, tip, sizeof iconData.szTip - 1);
    iconShown = Shell_NotifyIconA(NIM_ADD, &iconData) != FALSE;
    return iconShown;
}

LRESULT CSystemTray::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == iconData.uCallbackMessage && message != 0)
        return handleTrayNotification(wParam, lParam);
    // The notification area started (again): it has forgotten our icon, so add
    // it. Told so while the icon is still there (by anyone: the message is
    // registered, and posted between processes), the add fails; the icon is
    // then brought up to date and still shown, and Exit still removes it.
    if (message == taskbarCreated && iconData.cbSize != 0) {
        const bool added = Shell_NotifyIconA(NIM_ADD, &iconData) != FALSE;
        iconShown = added || (iconShown && Shell_NotifyIconA(NIM_MODIFY, &iconData) != FALSE);
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CSystemTray::handleTrayNotification(WPARAM wParam, LPARAM lParam)
{
    if (wParam != iconData.uID)
        return 0;
    CWnd* mainWindow = AfxGetMainWnd();
    if (mainWindow == nullptr)
        return 1;
    if (LOWORD(lParam) == WM_RBUTTONUP)
        return showMenu(*mainWindow, true) ? 1 : 0;
    if (LOWORD(lParam) == WM_CONTEXTMENU)
        return showMenu(*mainWindow, false) ? 1 : 0;
    if (LOWORD(lParam) == WM_LBUTTONDBLCLK)
        return restore(*mainWindow) ? 1 : 0;
    return 1;
}

// The tray menu, built now: "&Restore" its default item and the CPU level
// checked, read now for a right click (`readLevel`), else as last known.
bool CSystemTray::showMenu(CWnd& mainWindow, bool readLevel)
{
    HMENU menu = LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(iconData.uID));
    HMENU popup = menu != nullptr ? GetSubMenu(menu, kFirstPopup) : nullptr;
    if (popup == nullptr) {
        DestroyMenu(menu);
        return false;
    }
    SetMenuDefaultItem(popup, defaultMenuItem, defaultByPosition ? TRUE : FALSE);
    UINT checked = 0;
    if (auto* dialog = dynamic_cast<CSettingsDlg*>(&mainWindow))
        checked = readLevel ? dialog->checkedCpuMenuItem() : dialog->knownCpuMenuItem();
    for (const UINT item : {ID_CPU_LOW, ID_CPU_MEDIUM, ID_CPU_HIGH})
        CheckMenuItem(popup, item, MF_BYCOMMAND | (item == checked ? MF_CHECKED : MF_UNCHECKED));

    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(mainWindow.GetSafeHwnd());
    TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, mainWindow.GetSafeHwnd(), nullptr);
    mainWindow.PostMessage(WM_NULL, 0, 0);
    DestroyMenu(menu);
    return true;
}

// The default item's command, "&Restore", as if chosen from the menu.
bool CSystemTray::restore(CWnd& mainWindow)
{
    SetForegroundWindow(mainWindow.GetSafeHwnd());
    HMENU menu = LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(iconData.uID));
    HMENU popup = menu != nullptr ? GetSubMenu(menu, kFirstPopup) : nullptr;
    if (popup != nullptr)
        mainWindow.SendMessage(WM_COMMAND, GetMenuItemID(popup, static_cast<int>(defaultMenuItem)), 0);
    DestroyMenu(menu);
    return popup != nullptr;
}
