// Looks at and works the programs' windows from outside, through the window
// functions of the system they run on (under Wine in the tests): the test
// scripts' eyes and hands for what a user sees of a native window.
//   WindowProbe find TITLE [MS]            waits for a top-level window; prints
//                                          "visible W H": its state and window size
//                                          (a visible one where several have the title)
//   WindowProbe visible TITLE [MS]         the same, waiting for a visible one
//   WindowProbe client TITLE               "X Y": where the client area starts in the window
//   WindowProbe gone TITLE [MS]            waits until no such window exists
//   WindowProbe text TITLE ID              the text of control ID (a combo box's selection)
//   WindowProbe enabled TITLE ID           1 or 0
//   WindowProbe check TITLE ID             the check state of button ID
//   WindowProbe press TITLE ID             what a click does to an auto check box or a
//                                          button: its check state turns, the dialog hears BN_CLICKED
//   WindowProbe close TITLE                asks the window to close (WM_CLOSE)
//   WindowProbe boxtext TITLE [MS]         waits for a message box; prints its text
//   WindowProbe boxok TITLE                presses the message box's OK button
//   WindowProbe tray                       the number of icons in the notification area
// Exit status 0 when found or done, 1 when not, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {

constexpr DWORD kDefaultWaitMs = 10000;

struct WindowSearch
{
    const char* title;
    const char* className;
    HWND any = nullptr;
    HWND visible = nullptr;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM searching)
{
    auto* search = reinterpret_cast<WindowSearch*>(searching);
    char text[512] = {};
    char className[64] = {};
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(text, search->title) != 0 ||
        (search->className != nullptr && lstrcmpA(className, search->className) != 0))
        return TRUE;
    if (search->any == nullptr)
        search->any = window;
    if (IsWindowVisible(window)) {
        search->visible = window;
        return FALSE;
    }
    return TRUE;
}

// A top-level window with the title: a visible one if there is one (JUCE keeps
// hidden windows with the application's name too).
HWND waitForWindow(const char* title, DWORD waitMs, const char* className = nullptr, bool visibleOnly = false)
{
    const DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search{title, className};
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.visible != nullptr)
            return search.visible;
        if (search.any != nullptr && !visibleOnly)
            return search.any;
        if (GetTickCount() - start >= waitMs)
            return nullptr;
        Sleep(50);
    }
}

DWORD waitArgument(int argc, char* argv[], int index)
{
    return argc > index ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : kDefaultWaitMs;
}

HWND controlOf(const char* title, const char* id)
{
    HWND dialog = waitForWindow(title, kDefaultWaitMs);
    return dialog == nullptr ? nullptr : GetDlgItem(dialog, std::atoi(id));
}

bool isComboBox(HWND window)
{
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, "ComboBox") == 0;
}

// Asked in UTF-16 and given in the ANSI code page: across processes Wine
// hands back a combo box's item in UTF-16 even to CB_GETLBTEXT's ANSI form.
std::string textOf(HWND control)
{
    wchar_t text[512] = {};
    if (isComboBox(control)) {
        const LRESULT selected = SendMessageW(control, CB_GETCURSEL, 0, 0);
        if (selected == CB_ERR)
            return {};
        if (SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0) >= LRESULT(std::size(text)))
            return {};
        SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
    } else {
        GetWindowTextW(control, text, static_cast<int>(std::size(text)));
    }
    char ansi[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
}

// The static text of a message box: its one static control with text.
BOOL CALLBACK findBoxText(HWND child, LPARAM found)
{
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    char text[512] = {};
    if (lstrcmpiA(className, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
        *reinterpret_cast<std::string*>(found) = text;
        return FALSE;
    }
    return TRUE;
}

// Wine shows each notification-area icon as a window of its own, in its
// stand-alone tray window when the X display has no tray.
BOOL CALLBACK countTrayIcon(HWND window, LPARAM count)
{
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "__winex11_tray_icon") == 0)
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int usage()
{
    std::fprintf(stderr, "usage: WindowProbe find|gone|text|enabled|check|press|close|boxtext|boxok|tray ...\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::string(argv[1]) == "tray") {
        int icons = 0;
        if (HWND tray = FindWindowA("__winex11_standalone_tray", nullptr))
            EnumChildWindows(tray, countTrayIcon, reinterpret_cast<LPARAM>(&icons));
        std::printf("%d\n", icons);
        return 0;
    }
    if (argc < 3)
        return usage();
    const std::string command = argv[1];
    const char* title = argv[2];
    if (command == "find" || command == "visible") {
        HWND window = waitForWindow(title, waitArgument(argc, argv, 3), nullptr, command == "visible");
        if (window == nullptr)
            return 1;
        RECT rect = {};
        GetWindowRect(window, &rect);
        std::printf("%d %ld %ld\n", IsWindowVisible(window) ? 1 : 0, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (command == "client") {
        HWND window = waitForWindow(title, kDefaultWaitMs, nullptr, true);
        if (window == nullptr)
            return 1;
        RECT rect = {};
        GetWindowRect(window, &rect);
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        std::printf("%ld %ld\n", origin.x - rect.left, origin.y - rect.top);
        return 0;
    }
    if (command == "gone") {
        const DWORD start = GetTickCount();
        while (waitForWindow(title, 0) != nullptr) {
            if (GetTickCount() - start >= waitArgument(argc, argv, 3))
                return 1;
            Sleep(50);
        }
        return 0;
    }
    if (command == "close") {
        HWND window = waitForWindow(title, kDefaultWaitMs);
        return window != nullptr && PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (command == "boxtext" || command == "boxok") {
        HWND box = waitForWindow(title, waitArgument(argc, argv, 3), "#32770");
        if (box == nullptr)
            return 1;
        if (command == "boxok")
            return PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) ? 0 : 1;
        std::string text;
        EnumChildWindows(box, findBoxText, reinterpret_cast<LPARAM>(&text));
        std::printf("%s\n", text.c_str());
        return text.empty() ? 1 : 0;
    }
    if (argc < 4)
        return usage();
    HWND control = controlOf(title, argv[3]);
    if (control == nullptr)
        return 1;
    if (command == "text") {
        std::printf("%s\n", textOf(control).c_str());
        return 0;
    }
    if (command == "enabled") {
        std::printf("%d\n", IsWindowEnabled(control) ? 1 : 0);
        return 0;
    }
    if (command == "check") {
        std::printf("%d\n", static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0)));
        return 0;
    }
    if (command == "press") {
        const LRESULT checked = SendMessageA(control, BM_GETCHECK, 0, 0);
        SendMessageA(control, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
        const int id = GetDlgCtrlID(control);
        SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        return 0;
    }
    return usage();
}
