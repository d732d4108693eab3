// Stand-in for the few classes of the Windows dialog framework the settings
// program is written against: window objects over window handles, a dialog
// with its message route and modal loop, and the application's profile in the
// registry. Message thread only.
#pragma once

#include <windows.h>
#include <wingdi.h>
#include <winreg.h>
#include <winuser.h>

#include <map>
#include <memory>
#include <string>

class CWnd
{
public:
    CWnd() = default;
    explicit CWnd(HWND window) : m_hWnd(window) {}
    virtual ~CWnd() = default;

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
    // The dialog's message route: every message sent or posted to it. The base
    // runs OnInitDialog for WM_INITDIALOG and OnOK and OnCancel for the IDOK
    // and IDCANCEL commands and leaves everything else to Default.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void executeDialogInit();
    void forgetWindow();

    UINT m_nIDTemplate;
    HWND parentWindow;
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
HINSTANCE AfxGetResourceHandle();
