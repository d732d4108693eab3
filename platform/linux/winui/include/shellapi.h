// Stand-in for the notification-area part of <shellapi.h>. An icon added with
// Shell_NotifyIconA shows as a StatusNotifierItem on the session bus when a
// StatusNotifierWatcher (a panel that shows such items) is there, else as
// JUCE's XEmbed tray icon when an XEmbed system tray is there; with neither,
// NIM_ADD fails, as on a system without a notification area. A click on the
// icon reaches hWnd as uCallbackMessage with uID in wParam and the mouse
// message in lParam: a right click as WM_RBUTTONUP, the panel's activation
// (its usual left click) and a double click as WM_LBUTTONDBLCLK.
//
// When a watcher appears later (a panel that starts after the program, or
// starts again), every icon is dropped and the registered message
// "TaskbarCreated" is posted to every top-level window, as Windows does when
// its taskbar starts again: the program adds its icons anew.
#pragma once

#include <windef.h>
#include <winuser.h>

#define NIM_ADD 0x00000000UL
#define NIM_MODIFY 0x00000001UL
#define NIM_DELETE 0x00000002UL

#define NIF_MESSAGE 0x00000001UL
#define NIF_ICON 0x00000002UL
#define NIF_TIP 0x00000004UL

// The record of Windows 2000 as a 32-bit program fills it in.
#define NOTIFYICONDATAA_V2_SIZE 488

typedef struct _NOTIFYICONDATAA
{
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
} NOTIFYICONDATAA, *PNOTIFYICONDATAA;

// cbSize must be NOTIFYICONDATAA_V2_SIZE or the size of this record.
BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData);
