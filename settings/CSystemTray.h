// The program's icon in the notification area, with its own message-only
// window that takes the icon's notifications: a right click opens the tray
// menu (menu 135) built at that moment, with the driver's CPU level read then;
// a panel that shows the menu itself asks for it (WM_CONTEXTMENU) as often as
// it likes, and gets it built from the level last known, without a driver
// request; a double click (or the panel's activation) restores the dialog. When the notification area starts again,
// the icon is added again.
#pragma once

#include <afxwin.h>
#include <shellapi.h>

class CSystemTray : public CWnd
{
public:
    CSystemTray();
    // Removes the icon and destroys the own window.
    ~CSystemTray() override;

    // Adds the icon; true when the notification area took it.
    bool create(CWnd* parent, UINT callbackMessage, LPCSTR tip, HICON icon, UINT id);
    // The icon's notification: `wParam` the icon id, the low word of `lParam` the mouse message. 1 when handled.
    LRESULT handleTrayNotification(WPARAM wParam, LPARAM lParam);

    bool isIconShown() const { return iconShown; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool showMenu(CWnd& mainWindow, bool readLevel);
    bool restore(CWnd& mainWindow);

    bool iconShown = false;
    NOTIFYICONDATAA iconData = {};
    UINT defaultMenuItem = 0;
    bool defaultByPosition = true;
    const UINT taskbarCreated;
};
