// The few classes of the Windows dialog framework the settings program is
// written against: window objects over window handles, each with its message
// route (WindowProc), a dialog with its modal loop, menus, the mutex and lock
// classes, the application's profile in the registry and the program's entry.
// They are written on the Windows API alone and run on Windows as on our Linux
// window side. Message thread only.
#pragma once

#include <windows.h>
#include <wingdi.h>
#include <winreg.h>
#include <winuser.h>

#include <map>
#include <memory>
#include <string>

// The resource type of a dialog's initial control data, the framework's own.
#ifndef RT_DLGINIT
#define RT_DLGINIT MAKEINTRESOURCEA(240)
#endif

class CObject
{
public:
    virtual ~CObject() = default;
};

// A menu handle; the object does not own it unless it made it.
class CMenu : public CObject
{
public:
    CMenu() = default;
    explicit CMenu(HMENU menu) : m_hMenu(menu) {}

    BOOL AppendMenu(UINT flags, UINT_PTR idNewItem = 0, LPCSTR newItem = nullptr);
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR idNewItem = 0, LPCSTR newItem = nullptr);
    UINT GetMenuState(UINT id, UINT flags) const;
    int GetMenuString(UINT id, LPSTR text, int maxCount, UINT flags) const;

    HMENU m_hMenu = nullptr;
};

class CWnd : public CObject
{
public:
    CWnd() = default;
    explicit CWnd(HWND window) : m_hWnd(window) {}
    // Destroys the window this object made with CreateEx, if it still exists.
    ~CWnd() override;

    // Makes a window of `className` (AfxRegisterWndClass) whose messages reach
    // this object's WindowProc.
    BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                  HWND parent, HMENU menu, LPVOID param = nullptr);
    CMenu* GetSystemMenu(BOOL revert);

    HWND GetSafeHwnd() const { return m_hWnd; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int command);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    // Gives the window the keyboard focus; returns the window that had it, if it is one of ours.
    HWND SetFocus();
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void GetClientRect(LPRECT rect) const;
    void GetWindowRect(LPRECT rect) const;
    int GetDlgCtrlID() const;
    HFONT GetFont() const;
    void SetFont(HFONT font, BOOL redraw = TRUE);
    virtual BOOL DestroyWindow();

    HWND m_hWnd = nullptr;

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

protected:
    // The window's message route: every message sent or posted to it.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What the window does with a message its route leaves: DefWindowProcA
    // (DefDlgProcA for a dialog).
    virtual LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    void forgetHandle();

    CMenu systemMenu;
    bool madeWindow = false;
};

// The window procedure of the classes AfxRegisterWndClass registers: hands
// each message to the CWnd that made the window.
LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The name of a window class whose messages reach CWnd::WindowProc.
LPCSTR AfxRegisterWndClass(UINT classStyle, void* cursor = nullptr, void* background = nullptr, HICON icon = nullptr);
// Nothing to do here: no dialog hosts ActiveX controls.
void AfxEnableControlContainer();

class CSyncObject : public CObject
{
public:
    explicit CSyncObject(HANDLE object) : m_hObject(object) {}
    ~CSyncObject() override;

    // TRUE once owned (also when its last owner died holding it); FALSE on timeout or failure.
    virtual BOOL Lock(DWORD timeout = INFINITE);
    virtual BOOL Unlock() = 0;

    HANDLE m_hObject;

    CSyncObject(const CSyncObject&) = delete;
    CSyncObject& operator=(const CSyncObject&) = delete;
};

// A mutex, named (shared with the user's other processes) or not.
class CMutex : public CSyncObject
{
public:
    explicit CMutex(BOOL initiallyOwn = FALSE, LPCSTR name = nullptr, LPSECURITY_ATTRIBUTES attributes = nullptr);
    BOOL Unlock() override;
};

// Holds a synchronisation object for a scope.
class CSingleLock
{
public:
    explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
    ~CSingleLock();

    BOOL Lock(DWORD timeout = INFINITE);
    BOOL Unlock();
    BOOL IsLocked() const { return locked ? TRUE : FALSE; }

    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CSyncObject* object;
    bool locked = false;
};

// The display context of a window's WM_PAINT.
class CPaintDC
{
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC();

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC = nullptr;
    PAINTSTRUCT m_ps = {};

    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

private:
    HWND window;
};

class CComboBox : public CWnd
{
public:
    using CWnd::CWnd;

    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int select);
    int AddString(LPCSTR text);
    void ResetContent();
    // The first item after `startAfter` (-1: from the top) that begins with the text, selected; CB_ERR if none.
    int SelectString(int startAfter, LPCSTR text);
    std::string GetLBText(int index) const;
};

class CButton : public CWnd
{
public:
    using CWnd::CWnd;

    int GetCheck() const;
    void SetCheck(int check);
};

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Builds the dialog and runs it until it ends; then destroys it with the
    // (overridable) DestroyWindow. Returns the result given to EndDialog, or
    // -1 when it could not be built or a WM_QUIT ended the loop.
    virtual INT_PTR DoModal();
    // Builds the dialog without running it (it runs with the program's message loop).
    BOOL Create();

    // The framework's part of WM_INITDIALOG: fills the controls from the
    // dialog's initial data resource. Returns TRUE (give the first control the focus).
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int result);
    BOOL DestroyWindow() override;

    // The window object of control `id`: a CComboBox for a drop-down list, a
    // CButton for a button, a CWnd otherwise; owned by the dialog. Null when
    // the dialog has no such control.
    CWnd* GetDlgItem(int id);

    UINT templateId() const { return m_nIDTemplate; }

protected:
    // The base runs OnInitDialog for WM_INITDIALOG and OnOK and OnCancel for
    // the IDOK and IDCANCEL commands and leaves everything else to Default.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void executeDialogInit();
    void forgetWindow();
    // Runs the built dialog until EndDialog or WM_QUIT; the system's layer.
    INT_PTR runModalLoop();

    // The message CDialog::Default is handing to the dialog manager.
    struct PendingDefault
    {
        bool active = false;
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };

    UINT m_nIDTemplate;
    HWND parentWindow;
    PendingDefault pendingDefault;
    bool modalEnded = false;
    int modalResult = -1;
    std::map<HWND, std::unique_ptr<CWnd>> items;
};

// The application's profile: with a registry key set, its settings are values
// under HKEY_CURRENT_USER\Software\<key>\<application name>\<section>.
class CWinApp
{
public:
    // `appName` null: the program's executable base name. The last one made is AfxGetApp.
    explicit CWinApp(LPCSTR appName = nullptr);
    virtual ~CWinApp();

    // The program's start, after the framework's own; TRUE to run its message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // The program's end; what it returns is the process's exit status.
    virtual int ExitInstance() { return 0; }

    void SetRegistryKey(LPCSTR key);
    // The REG_DWORD value; `defaultValue` when there is none, or no registry key is set.
    UINT GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue);
    BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value);

    // Software\<key>\<application name>\<section>
    std::string profileKeyPath(LPCSTR section) const;

    std::string m_pszAppName;
    std::string m_pszRegistryKey;
    CWnd* m_pMainWnd = nullptr;
    std::string m_lpCmdLine;

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
};

CWinApp* AfxGetApp();
// The application's main window (m_pMainWnd), or null.
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetResourceHandle();

// The framework's program entry: what its WinMain does with the application
// object (the CWinApp the program defines): sets m_lpCmdLine to the command
// line after the program's name, runs InitInstance and, when that returns
// TRUE, the message loop until WM_QUIT. Returns ExitInstance's exit status.
int AfxMain(int argc, char* argv[]);
