// Stand-in for the parts of <winuser.h> (and the resource calls of
// <libloaderapi.h>) that the settings program uses: resources read from the
// program's compiled resource file, dialogs built from their templates as JUCE
// components, the window calls a dialog and its controls answer, menus and
// icons. Everything here runs on JUCE's message thread, except PostMessageA
// (in <windows.h>), which any thread may call.
#pragma once

#include <windef.h>
#include <winres.h>

// ---------------------------------------------------------------- resources

#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)
#define RT_DLGINIT MAKEINTRESOURCEA(240)

#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// The program's own module (its resources are those installed with
// win32::setProgramResources) when `lpModuleName` is null.
HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);

// `lpName` and `lpType` are ordinals (MAKEINTRESOURCEA) or names, compared
// without regard to case. The first language found is taken.
HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID WINAPI LockResource(HGLOBAL hResData);
DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);
BOOL WINAPI FreeResource(HGLOBAL hResData);

// Copies string `uID` of the module's string table into `lpBuffer` in the
// Windows Latin-1 code page, cut to `cchBufferMax` - 1 characters. Returns the
// number of characters copied, 0 when the string does not exist.
int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// ---------------------------------------------------------------- messages

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_ICONERASEBKGND 0x0027
#define WM_QUERYDRAGICON 0x0037
#define WM_SETICON 0x0080
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_CONTEXTMENU 0x007B
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONUP 0x0208
#define WM_DEVICECHANGE 0x0219
#define WM_USER 0x0400
#define WM_APP 0x8000

#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

#define ICON_SMALL 0
#define ICON_BIG 1

// Notification codes in the high word of WM_COMMAND's wParam.
#define BN_CLICKED 0
#define CBN_SELCHANGE 1

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001

#define CB_ERR (-1)
#define CB_GETCOUNT 0x0146
#define CB_ADDSTRING 0x0143
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_RESETCONTENT 0x014B
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_GETDROPPEDCONTROLRECT 0x0152

// The window, dialog and control styles and the command ids are in <winres.h>,
// which the resource script includes too.

// ---------------------------------------------------------------- windows

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_MINIMIZE 6
#define SW_SHOW 5
#define SW_RESTORE 9

#define GW_HWNDNEXT 2
#define GW_CHILD 5

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef WORD ATOM;

// Every top-level window of the process, for PostMessageA.
#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0xFFFF)))

#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L

typedef struct tagWNDCLASSA
{
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    void* hCursor;
    void* hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA, *LPWNDCLASSA;

typedef struct tagCREATESTRUCTA
{
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTA, *LPCREATESTRUCTA;

// Windows of a registered class made with CreateWindowExA are message-only
// here: they take messages and show nothing. Class names ignore case.
ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass);
BOOL WINAPI GetClassInfoA(HINSTANCE hInstance, LPCSTR lpClassName, LPWNDCLASSA lpWndClass);
HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// A message number from 0xC000 to 0xFFFF, the same for the same name (in any
// case) in every process of the user, so it may be posted to another's window.
UINT WINAPI RegisterWindowMessageA(LPCSTR lpString);

// Brings a window on the screen forward (another process's too); a hidden one stays hidden.
BOOL WINAPI SetForegroundWindow(HWND hWnd);
// The window itself: no window here owns popups that outlive a modal loop.
HWND WINAPI GetLastActivePopup(HWND hWnd);
// In screen coordinates, as the dialogs' positions are.
BOOL WINAPI GetCursorPos(LPPOINT lpPoint);

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL WINAPI IsWindow(HWND hWnd);
HWND WINAPI GetParent(HWND hWnd);
HWND WINAPI GetWindow(HWND hWnd, UINT uCmd);
HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem);
int WINAPI GetDlgCtrlID(HWND hWnd);
LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);

// Top-level windows take screen coordinates, controls their dialog's client coordinates.
BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint);
BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint);
// Widens a client rectangle to the window rectangle of a top-level window with
// this style: the caption and the frame that the dialog draws itself.
BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle);

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
BOOL WINAPI IsWindowVisible(HWND hWnd);
BOOL WINAPI IsIconic(HWND hWnd);
BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable);
BOOL WINAPI IsWindowEnabled(HWND hWnd);
HWND WINAPI SetFocus(HWND hWnd);
HWND WINAPI GetFocus();
BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString);
int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL WINAPI UpdateWindow(HWND hWnd);
BOOL WINAPI DestroyWindow(HWND hWnd);

typedef struct tagPAINTSTRUCT
{
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

// A display context for measuring text in the window; while the window paints
// (WM_PAINT) it also draws icons into it (DrawIcon).
HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
HDC WINAPI GetDC(HWND hWnd);
int WINAPI ReleaseDC(HWND hWnd, HDC hDC);

// ---------------------------------------------------------------- dialogs

// Builds the dialog of template `lpTemplateName` (DLGTEMPLATEEX) and its
// controls, in template order, laid out in dialog units measured with the
// template's font at the system's DPI, sends WM_INITDIALOG and shows the dialog
// when its style says so.
HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam);
// The same, run modally: returns the result given to EndDialog once the
// dialog has ended, or -1 when it could not be created.
INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam);
BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult);
// A dialog procedure that handles a message returns TRUE and leaves the
// message's result here; WM_INITDIALOG and WM_QUERYDRAGICON return it directly.
#define DWLP_MSGRESULT 0
LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex);
LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------- menus

#define MF_BYCOMMAND 0x0000UL
#define MF_BYPOSITION 0x0400UL
#define MF_STRING 0x0000UL
#define MF_GRAYED 0x0001UL
#define MF_DISABLED 0x0002UL
#define MF_UNCHECKED 0x0000UL
#define MF_CHECKED 0x0008UL
#define MF_POPUP 0x0010UL
#define MF_SEPARATOR 0x0800UL
#define MF_DEFAULT 0x1000UL
#define MF_END 0x0080UL

#define TPM_LEFTBUTTON 0x0000UL
#define TPM_RIGHTBUTTON 0x0002UL
#define TPM_NONOTIFY 0x0080UL
#define TPM_RETURNCMD 0x0100UL

HMENU WINAPI LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName);
HMENU WINAPI CreatePopupMenu();
BOOL WINAPI AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
BOOL WINAPI ModifyMenuA(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
// The previous state (MF_GRAYED, MF_DISABLED), or -1 when there is no such item.
BOOL WINAPI EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);
// The window's system menu (Restore, Minimize, Close), which the window's
// caption opens; `bRevert` puts back the standard one and returns null.
HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert);
// Shows the menu at the screen position and returns at once, without
// waiting for the choice, which reaches `hWnd` as WM_COMMAND once made. The
// menu is copied: it may be destroyed as soon as this returns.
// Shows the menu at x, y. The choice is posted to hWnd as WM_COMMAND and TRUE
// returned at once; with TPM_RETURNCMD it waits for the menu to close, posts
// nothing and returns the command chosen (0 for none). TPM_RETURNCMD fails
// (0, ERROR_NOT_SUPPORTED) while the menu goes to a panel that shows it
// itself, which cannot answer before its user chooses.
BOOL WINAPI TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd, const RECT* prcRect);
BOOL WINAPI DestroyMenu(HMENU hMenu);
HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos);
int WINAPI GetMenuItemCount(HMENU hMenu);
UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos);
int WINAPI GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags);
UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);
DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);
BOOL WINAPI SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos);
UINT WINAPI GetMenuDefaultItem(HMENU hMenu, UINT fByPos, UINT gmdiFlags);

// ---------------------------------------------------------------- icons and bitmaps

#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50

int WINAPI GetSystemMetrics(int nIndex);

// The image of the group icon closest to the system's icon size (32 pixels).
HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
BOOL WINAPI DestroyIcon(HICON hIcon);
// Draws the icon at its own size; only into the display context of a window that paints.
BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName);
