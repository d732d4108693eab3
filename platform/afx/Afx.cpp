// The dialog framework classes over the window calls, the same on Windows and
// on our Linux window side; what differs lives in the layers (AfxLayer.h).
#include "AfxLayer.h"
#include "DialogInitData.h"

#include <afxwin.h>

namespace {

// The dialogs being built or running, by window, for the dialog procedure.
std::map<HWND, CDialog*>& dialogsByWindow()
{
    static std::map<HWND, CDialog*> dialogs;
    return dialogs;
}

CDialog*& dialogBeingBuilt()
{
    static CDialog* dialog = nullptr;
    return dialog;
}

// The windows CWnd::CreateEx made, by window, for AfxWndProc.
std::map<HWND, CWnd*>& windowsByHandle()
{
    static std::map<HWND, CWnd*> windows;
    return windows;
}

CWnd*& windowBeingMade()
{
    static CWnd* window = nullptr;
    return window;
}

constexpr const char* kAfxClassName = "AfxWnd";

CWinApp*& currentApp()
{
    static CWinApp* app = nullptr;
    return app;
}

} // namespace

// ---------------------------------------------------------------- CMenu

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idNewItem, LPCSTR newItem)
{
    return ::AppendMenuA(m_hMenu, flags, idNewItem, newItem);
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR idNewItem, LPCSTR newItem)
{
    return ::ModifyMenuA(m_hMenu, position, flags, idNewItem, newItem);
}

UINT CMenu::GetMenuState(UINT id, UINT flags) const
{
    return ::GetMenuState(m_hMenu, id, flags);
}

int CMenu::GetMenuString(UINT id, LPSTR text, int maxCount, UINT flags) const
{
    return ::GetMenuStringA(m_hMenu, id, text, maxCount, flags);
}

// ---------------------------------------------------------------- CWnd

CWnd::~CWnd()
{
    if (madeWindow && m_hWnd != nullptr && IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    forgetHandle();
}

void CWnd::forgetHandle()
{
    for (auto it = windowsByHandle().begin(); it != windowsByHandle().end();)
        it = it->second == this ? windowsByHandle().erase(it) : std::next(it);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, LPVOID param)
{
    windowBeingMade() = this;
    const HWND window = CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                                        AfxGetResourceHandle(), param);
    windowBeingMade() = nullptr;
    if (window == nullptr) {
        forgetHandle();
        m_hWnd = nullptr;
        return FALSE;
    }
    madeWindow = true;
    return TRUE;
}

CMenu* CWnd::GetSystemMenu(BOOL revert)
{
    systemMenu.m_hMenu = ::GetSystemMenu(m_hWnd, revert);
    return systemMenu.m_hMenu == nullptr ? nullptr : &systemMenu;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* object = nullptr;
    if (auto found = windowsByHandle().find(window); found != windowsByHandle().end()) {
        object = found->second;
    } else if (windowBeingMade() != nullptr) {
        // The first messages reach the window while CreateWindowExA is still making it.
        object = windowBeingMade();
        object->m_hWnd = window;
        windowsByHandle()[window] = object;
    }
    if (object == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = object->WindowProc(message, wParam, lParam);
    if (message == WM_DESTROY) {
        object->forgetHandle();
        object->m_hWnd = nullptr;
    }
    return result;
}

LPCSTR AfxRegisterWndClass(UINT, void*, void*, HICON)
{
    WNDCLASSA known = {};
    if (!GetClassInfoA(AfxGetResourceHandle(), kAfxClassName, &known)) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &AfxWndProc;
        windowClass.lpszClassName = kAfxClassName;
        RegisterClassA(&windowClass);
    }
    return kAfxClassName;
}

void AfxEnableControlContainer() {}

// ---------------------------------------------------------------- synchronisation objects

CSyncObject::~CSyncObject()
{
    if (m_hObject != nullptr)
        CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD timeout)
{
    const DWORD result = WaitForSingleObject(m_hObject, timeout);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED ? TRUE : FALSE;
}

CMutex::CMutex(BOOL initiallyOwn, LPCSTR name, LPSECURITY_ATTRIBUTES attributes)
    : CSyncObject(CreateMutexA(attributes, initiallyOwn, name))
{
}

BOOL CMutex::Unlock()
{
    return ReleaseMutex(m_hObject);
}

CSingleLock::CSingleLock(CSyncObject* syncObject, BOOL initialLock) : object(syncObject)
{
    if (initialLock)
        Lock();
}

CSingleLock::~CSingleLock()
{
    Unlock();
}

BOOL CSingleLock::Lock(DWORD timeout)
{
    if (!locked && object != nullptr)
        locked = object->Lock(timeout) != FALSE;
    return locked ? TRUE : FALSE;
}

BOOL CSingleLock::Unlock()
{
    if (!locked)
        return TRUE;
    locked = false;
    return object->Unlock();
}

// ---------------------------------------------------------------- CPaintDC

CPaintDC::CPaintDC(CWnd* paintedWindow) : window(paintedWindow != nullptr ? paintedWindow->m_hWnd : nullptr)
{
    m_hDC = BeginPaint(window, &m_ps);
}

CPaintDC::~CPaintDC()
{
    if (m_hDC != nullptr)
        EndPaint(window, &m_ps);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::ShowWindow(int command)
{
    return ::ShowWindow(m_hWnd, command);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

HWND CWnd::SetFocus()
{
    return ::SetFocus(m_hWnd);
}

BOOL CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::GetClientRect(LPRECT rect) const
{
    ::GetClientRect(m_hWnd, rect);
}

void CWnd::GetWindowRect(LPRECT rect) const
{
    ::GetWindowRect(m_hWnd, rect);
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}

HFONT CWnd::GetFont() const
{
    return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
}

void CWnd::SetFont(HFONT font, BOOL redraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw, 0));
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    const BOOL destroyed = ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return destroyed;
}

// ---------------------------------------------------------------- CComboBox, CButton

int CComboBox::GetCount() const
{
    return static_cast<int>(SendMessage(CB_GETCOUNT));
}

int CComboBox::GetCurSel() const
{
    return static_cast<int>(SendMessage(CB_GETCURSEL));
}

int CComboBox::SetCurSel(int select)
{
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(select)));
}

int CComboBox::AddString(LPCSTR text)
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

void CComboBox::ResetContent()
{
    SendMessage(CB_RESETCONTENT);
}

int CComboBox::SelectString(int startAfter, LPCSTR text)
{
    return static_cast<int>(
        SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text)));
}

std::string CComboBox::GetLBText(int index) const
{
    const auto length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

int CButton::GetCheck() const
{
    return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int check)
{
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
}

// ---------------------------------------------------------------- CDialog

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDTemplate(templateId), parentWindow(parent != nullptr ? parent->m_hWnd : nullptr)
{
}

CDialog::~CDialog()
{
    if (m_hWnd != nullptr && IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    forgetWindow();
}

BOOL CDialog::Create()
{
    dialogBeingBuilt() = this;
    const HWND window = CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parentWindow,
                                           &CDialog::dialogProcedure, reinterpret_cast<LPARAM>(this));
    dialogBeingBuilt() = nullptr;
    if (window == nullptr)
        forgetWindow();
    return window != nullptr ? TRUE : FALSE;
}

INT_PTR CDialog::DoModal()
{
    modalEnded = false;
    modalResult = -1;
    if (!Create())
        return -1;
    const INT_PTR result = runModalLoop();
    DestroyWindow();
    return result;
}

BOOL CDialog::OnInitDialog()
{
    executeDialogInit();
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result)
{
    modalEnded = true;
    modalResult = result;
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    const HWND window = m_hWnd;
    const BOOL destroyed = ::DestroyWindow(window);
    forgetWindow();
    return destroyed;
}

CWnd* CDialog::GetDlgItem(int id)
{
    const HWND control = ::GetDlgItem(m_hWnd, id);
    if (control == nullptr)
        return nullptr;
    auto& item = items[control];
    if (item == nullptr)
        item = afx::detail::makeControlObject(control);
    return item.get();
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return 0;
        }
    }
    return Default(message, wParam, lParam);
}

LRESULT CDialog::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The dialog manager's default first offers the message to the dialog
    // procedure again: that echo must come back unhandled, or the two would
    // call each other until the stack ends.
    const PendingDefault outer = pendingDefault;
    pendingDefault = {true, message, wParam, lParam};
    const LRESULT result = DefDlgProcA(m_hWnd, message, wParam, lParam);
    pendingDefault = outer;
    return result;
}

INT_PTR CALLBACK CDialog::dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (auto found = dialogsByWindow().find(window); found != dialogsByWindow().end()) {
        dialog = found->second;
    } else if (dialogBeingBuilt() != nullptr) {
        // The first message reaches the dialog while CreateDialogParamA is still building it.
        dialog = dialogBeingBuilt();
        dialog->m_hWnd = window;
        dialogsByWindow()[window] = dialog;
    }
    if (dialog == nullptr)
        return FALSE;
    PendingDefault& pending = dialog->pendingDefault;
    if (pending.active && pending.message == message && pending.wParam == wParam && pending.lParam == lParam) {
        pending.active = false; // the echo; an identical message after it is a new one
        return FALSE;
    }
    const LRESULT result = dialog->WindowProc(message, wParam, lParam);
    if (message == WM_INITDIALOG || message == WM_QUERYDRAGICON)
        return result;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

void CDialog::executeDialogInit()
{
    HINSTANCE instance = AfxGetResourceHandle();
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(m_nIDTemplate), RT_DLGINIT);
    if (resource == nullptr)
        return;
    std::vector<afx::DialogInitMessage> messages;
    afx::parseDialogInit(LockResource(LoadResource(instance, resource)), SizeofResource(instance, resource), messages);
    for (const afx::DialogInitMessage& message : messages)
        SendDlgItemMessageA(m_hWnd, message.controlId, message.message, 0,
                            reinterpret_cast<LPARAM>(message.data.c_str()));
}

void CDialog::forgetWindow()
{
    for (auto it = dialogsByWindow().begin(); it != dialogsByWindow().end();)
        it = it->second == this ? dialogsByWindow().erase(it) : std::next(it);
    items.clear();
    m_hWnd = nullptr;
}

// ---------------------------------------------------------------- CWinApp

CWinApp::CWinApp(LPCSTR appName) : m_pszAppName(appName != nullptr ? appName : afx::detail::executableBaseName())
{
    currentApp() = this;
}

CWinApp::~CWinApp()
{
    if (currentApp() == this)
        currentApp() = nullptr;
}

void CWinApp::SetRegistryKey(LPCSTR key)
{
    m_pszRegistryKey = key != nullptr ? key : "";
}

std::string CWinApp::profileKeyPath(LPCSTR section) const
{
    return "Software\\" + m_pszRegistryKey + "\\" + m_pszAppName + "\\" + section;
}

UINT CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue)
{
    if (m_pszRegistryKey.empty() || section == nullptr || entry == nullptr)
        return static_cast<UINT>(defaultValue);
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, profileKeyPath(section).c_str(), &key) != ERROR_SUCCESS)
        return static_cast<UINT>(defaultValue);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status = RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(key);
    // A value of another type or size is not one this program wrote: the default stands.
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL CWinApp::WriteProfileInt(LPCSTR section, LPCSTR entry, int value)
{
    if (m_pszRegistryKey.empty() || section == nullptr || entry == nullptr)
        return FALSE;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, profileKeyPath(section).c_str(), &key) != ERROR_SUCCESS)
        return FALSE;
    const DWORD data = static_cast<DWORD>(value);
    const LSTATUS status = RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? TRUE : FALSE;
}

CWinApp* AfxGetApp()
{
    return currentApp();
}

CWnd* AfxGetMainWnd()
{
    return currentApp() != nullptr ? currentApp()->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetResourceHandle()
{
    return GetModuleHandleA(nullptr);
}
