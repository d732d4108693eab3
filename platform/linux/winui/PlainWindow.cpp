// Window classes, CreateWindowExA, DefWindowProcA, registered messages and
// the calls about the foreground window and the cursor.
#include "PlainWindow.h"

#include "DialogWindow.h"
#include "WindowPort.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace win32::detail {

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;

std::string lowerCase(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// Class names are compared without regard to case, as window classes are.
std::map<std::string, WNDPROC>& classes()
{
    static std::map<std::string, WNDPROC> registered;
    return registered;
}

constexpr UINT kRegisteredMessages = kLastRegisteredMessage - kFirstRegisteredMessage + 1;

struct RegisteredMessages
{
    std::mutex mutex;
    std::map<std::string, UINT> byName;
    std::map<UINT, std::string> byNumber;
};

// A registered message's number follows from its name alone, so that every
// process of the user gives a name the same number, as Windows does within a
// session, and a message posted to another process means the same there.
// (FNV-1a over the lower-case name; a name whose number another name already
// took in this process takes the next free one.)
UINT numberOfName(const std::string& lowerCaseName)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : lowerCaseName) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 16777619u;
    }
    return kFirstRegisteredMessage + hash % kRegisteredMessages;
}

RegisteredMessages& registeredMessages()
{
    static RegisteredMessages* messages = new RegisteredMessages;
    return *messages;
}

} // namespace

PlainWindow::PlainWindow(HWND parent, DWORD style, DWORD exStyle, WNDPROC windowProcedure)
    : WindowObject(parent, 0, style, exStyle, parent == nullptr), procedure(windowProcedure)
{
}

PlainWindow::~PlainWindow() = default;

LRESULT PlainWindow::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (destroyPending)
        return 0;
    ++handling;
    const LRESULT result = procedure(handle(), msg, wParam, lParam);
    if (--handling == 0 && destroyPending)
        delete this;
    return result;
}

void PlainWindow::destroy(PlainWindow* window)
{
    ++window->handling; // the window outlives its own WM_DESTROY
    window->message(WM_DESTROY, 0, 0);
    window->detach();
    window->destroyPending = true;
    if (--window->handling == 0)
        delete window;
}

} // namespace win32::detail

using namespace win32::detail;

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass)
{
    if (lpWndClass == nullptr || lpWndClass->lpfnWndProc == nullptr || lpWndClass->lpszClassName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& known = classes()[lowerCase(lpWndClass->lpszClassName)];
    if (known != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    known = lpWndClass->lpfnWndProc;
    return static_cast<ATOM>(classes().size());
}

BOOL WINAPI GetClassInfoA(HINSTANCE, LPCSTR lpClassName, LPWNDCLASSA lpWndClass)
{
    const auto found = lpClassName == nullptr ? classes().end() : classes().find(lowerCase(lpClassName));
    if (found == classes().end() || lpWndClass == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *lpWndClass = {};
    lpWndClass->lpfnWndProc = found->second;
    lpWndClass->lpszClassName = lpClassName;
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR, DWORD dwStyle, int, int, int, int,
                            HWND hWndParent, HMENU, HINSTANCE, LPVOID lpParam)
{
    const auto found = lpClassName == nullptr ? classes().end() : classes().find(lowerCase(lpClassName));
    if (found == classes().end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    routePostedMessages();
    auto* window = new PlainWindow(hWndParent, dwStyle, dwExStyle, found->second);
    const HWND handle = window->handle();
    CREATESTRUCTA create = {};
    create.lpCreateParams = lpParam;
    create.hwndParent = hWndParent;
    create.style = static_cast<LONG>(dwStyle);
    create.lpszClass = lpClassName;
    create.dwExStyle = dwExStyle;
    if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    return handle;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM)
{
    if (Msg == WM_CLOSE)
        DestroyWindow(hWnd);
    return 0;
}

UINT WINAPI RegisterWindowMessageA(LPCSTR lpString)
{
    if (lpString == nullptr || *lpString == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& messages = registeredMessages();
    std::lock_guard<std::mutex> guard(messages.mutex);
    const std::string name = lowerCase(lpString);
    if (const auto known = messages.byName.find(name); known != messages.byName.end())
        return known->second;
    if (messages.byNumber.size() >= kRegisteredMessages) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    UINT number = numberOfName(name);
    while (messages.byNumber.count(number) != 0)
        number = number == kLastRegisteredMessage ? kFirstRegisteredMessage : number + 1;
    messages.byName[name] = number;
    messages.byNumber[number] = name;
    return number;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd)
{
    if (isOtherProcessWindow(hWnd))
        return bringForwardInOtherProcess(hWnd);
    // Only a window on the screen comes forward; a hidden one stays hidden.
    auto* dialog = dynamic_cast<DialogWindow*>(windowOf(hWnd));
    if (dialog == nullptr || !dialog->frame().isVisible())
        return FALSE;
    dialog->frame().toFront(true);
    return TRUE;
}

HWND WINAPI GetLastActivePopup(HWND hWnd)
{
    return hWnd;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint)
{
    if (lpPoint == nullptr)
        return FALSE;
    const auto at = juce::Desktop::getMousePosition();
    *lpPoint = {at.x, at.y};
    return TRUE;
}
