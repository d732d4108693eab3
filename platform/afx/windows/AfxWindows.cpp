// The framework's layer on Windows: dialogs are the dialog manager's own,
// built from the template in the executable's resources and run in the
// framework's modal loop; the program's entry runs the application object.
#include "../AfxLayer.h"

#include <cstring>

namespace afx::detail {

std::string executableBaseName()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return "Application";
    std::string name(path, length);
    if (const auto slash = name.find_last_of("\\/"); slash != std::string::npos)
        name = name.substr(slash + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name = name.substr(0, dot);
    return name;
}

std::unique_ptr<CWnd> makeControlObject(HWND control)
{
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    if (lstrcmpiA(className, "ComboBox") == 0)
        return std::make_unique<CComboBox>(control);
    if (lstrcmpiA(className, "Button") == 0)
        return std::make_unique<CButton>(control);
    return std::make_unique<CWnd>(control);
}

} // namespace afx::detail

namespace {

// The command line after the program's name, quoted or not, as the framework
// gives it in m_lpCmdLine.
std::string argumentsOf(const char* commandLine)
{
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

int modalDepth = 0;

} // namespace

// As the framework's modal loop: the dialog's owner is disabled while it runs;
// a dialog made without WS_VISIBLE is shown the first time the queue is empty,
// one visible from its template is left as the program makes it (the settings
// dialog hides itself to the tray before the loop first waits). WM_QUIT ends
// every modal loop, innermost first; the outermost takes it.
INT_PTR CDialog::runModalLoop()
{
    const HWND owner = parentWindow != nullptr && ::IsWindowEnabled(parentWindow) ? parentWindow : nullptr;
    if (owner != nullptr)
        ::EnableWindow(owner, FALSE);
    bool showWhenIdle = (GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VISIBLE) == 0;
    ++modalDepth;
    INT_PTR result = -1;
    MSG message = {};
    for (;;) {
        if (modalEnded) {
            result = modalResult;
            break;
        }
        if (showWhenIdle && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
            ::UpdateWindow(m_hWnd);
            showWhenIdle = false;
        }
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0 && modalDepth > 1)
                PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!IsDialogMessageA(m_hWnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    --modalDepth;
    if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    return result;
}

int AfxMain(int, char*[])
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    app->m_lpCmdLine = argumentsOf(GetCommandLineA());
    if (app->InitInstance()) {
        MSG message = {};
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return app->ExitInstance();
}
