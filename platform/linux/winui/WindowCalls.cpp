// The window and dialog calls over the window objects.
#include "DialogWindow.h"
#include "PlainWindow.h"
#include "QueuedXEvents.h"
#include "TimerThreadRest.h"
#include "WindowPort.h"
#include "WindowText.h"

#include <win32/WindowSystem.h>

#include <algorithm>
#include <cstring>

namespace juce {
// One step of JUCE's message loop; its own modal loops are built on it.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

using namespace win32::detail;

namespace {

DialogWindow* dialogOf(HWND window)
{
    return dynamic_cast<DialogWindow*>(windowOf(window));
}

// The dialog a control belongs to, or null for a dialog or a dead handle.
DialogWindow* parentDialogOf(WindowObject* window)
{
    return window == nullptr ? nullptr : dialogOf(window->parent());
}

// A hidden dialog has no window on the desktop once withdrawn; an icon in an XEmbed tray or a menu has one.
bool anyWindowShowing()
{
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (desktop.getComponent(i)->isVisible())
            return true;
    return false;
}

BOOL invalidHandle()
{
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

} // namespace

namespace win32 {

juce::Component* componentOf(HWND window)
{
    WindowObject* object = windowOf(window);
    return object == nullptr ? nullptr : &object->component();
}

INT_PTR runModalLoop(HWND dialog)
{
    // A WM_QUIT ends every modal loop, innermost first; the outermost one takes
    // it, as the program's own loop would, so a later loop runs again.
    static int depth = 0;
    struct Nesting
    {
        Nesting() { ++depth; }
        ~Nesting()
        {
            if (--depth == 0) {
                takeQuit();
                setShowingAnyWindow(true);
            }
        }
    } nesting;
    // JUCE's message loop, one message at a time, until the dialog ends.
    for (;;) {
        DialogWindow* object = dialogOf(dialog);
        if (object == nullptr || quitPosted())
            return -1;
        if (object->hasEnded())
            return object->endResult();
        // Before the loop sleeps on the sockets, input a round trip has queued must not wait there.
        wakeForQueuedXEvents();
        const bool showing = anyWindowShowing();
        setShowingAnyWindow(showing);
        if (showing)
            juce::dispatchNextMessageOnSystemQueue(false);
        else if (!juce::dispatchNextMessageOnSystemQueue(true))
            waitForInputAtRest();
    }
}

juce::Component* frameOf(HWND dialog)
{
    DialogWindow* object = dialogOf(dialog);
    return object == nullptr ? nullptr : &object->frame();
}

} // namespace win32

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return window->message(Msg, wParam, lParam);
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    if (isOtherProcessWindow(hWnd))
        return existsInOtherProcess(hWnd) ? TRUE : FALSE;
    return isLiveWindow(hWnd) ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND hWnd)
{
    WindowObject* window = windowOf(hWnd);
    return window == nullptr ? nullptr : window->parent();
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (uCmd == GW_CHILD) {
        DialogWindow* dialog = dynamic_cast<DialogWindow*>(window);
        return dialog == nullptr || dialog->children().empty() ? nullptr : dialog->children().front()->handle();
    }
    if (uCmd == GW_HWNDNEXT) {
        DialogWindow* dialog = parentDialogOf(window);
        if (dialog == nullptr)
            return nullptr;
        const auto& children = dialog->children();
        auto found = std::find(children.begin(), children.end(), window);
        if (found == children.end() || ++found == children.end())
            return nullptr;
        return (*found)->handle();
    }
    return nullptr;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    DialogWindow* dialog = dialogOf(hDlg);
    if (dialog == nullptr)
        return nullptr;
    for (WindowObject* child : dialog->children())
        if (child->controlId() == nIDDlgItem)
            return child->handle();
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd)
{
    WindowObject* window = windowOf(hWnd);
    return window == nullptr ? 0 : window->controlId();
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(GetDlgItem(hDlg, nIDDlgItem), Msg, wParam, lParam);
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr)
        return invalidHandle();
    window->move({X, Y, std::max(0, nWidth), std::max(0, nHeight)});
    if (bRepaint)
        window->component().repaint();
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr || lpRect == nullptr)
        return invalidHandle();
    const auto& component = window->component();
    *lpRect = {0, 0, component.getWidth(), component.getHeight()};
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr || lpRect == nullptr)
        return invalidHandle();
    const auto bounds = window->screenBounds();
    *lpRect = {bounds.getX(), bounds.getY(), bounds.getRight(), bounds.getBottom()};
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr || lpPoint == nullptr)
        return invalidHandle();
    const auto origin = window->component().getScreenPosition();
    lpPoint->x += origin.getX();
    lpPoint->y += origin.getY();
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr || lpPoint == nullptr)
        return invalidHandle();
    const auto origin = window->component().getScreenPosition();
    lpPoint->x -= origin.getX();
    lpPoint->y -= origin.getY();
    return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL, DWORD dwExStyle)
{
    // No dialog here draws a menu bar, so the menu flag adds nothing.
    if (lpRect == nullptr)
        return FALSE;
    const auto border = DialogWindow::frameBorder(dwStyle, dwExStyle);
    lpRect->left -= border.getLeft();
    lpRect->top -= border.getTop();
    lpRect->right += border.getRight();
    lpRect->bottom += border.getBottom();
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr)
        return FALSE;
    if (DialogWindow* dialog = dynamic_cast<DialogWindow*>(window))
        return dialog->show(nCmdShow);
    const BOOL wasVisible = window->component().isVisible() ? TRUE : FALSE;
    window->component().setVisible(nCmdShow != SW_HIDE);
    return wasVisible;
}

BOOL WINAPI IsWindowVisible(HWND hWnd)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr)
        return FALSE;
    if (DialogWindow* dialog = dynamic_cast<DialogWindow*>(window))
        return dialog->frame().isVisible() ? TRUE : FALSE;
    return window->component().isShowing() || (window->component().isVisible() && IsWindowVisible(window->parent()))
               ? TRUE
               : FALSE;
}

BOOL WINAPI IsIconic(HWND hWnd)
{
    DialogWindow* dialog = dialogOf(hWnd);
    return dialog != nullptr && dialog->frame().isMinimised() ? TRUE : FALSE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr)
        return FALSE;
    const BOOL wasDisabled = window->component().isEnabled() ? FALSE : TRUE;
    window->component().setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd)
{
    WindowObject* window = windowOf(hWnd);
    return window != nullptr && window->component().isEnabled() ? TRUE : FALSE;
}

HWND WINAPI GetFocus()
{
    juce::Component* focused = juce::Component::getCurrentlyFocusedComponent();
    for (juce::Component* c = focused; c != nullptr; c = c->getParentComponent())
        if (auto* window = dynamic_cast<WindowObject*>(c))
            return window->handle();
    return nullptr;
}

HWND WINAPI SetFocus(HWND hWnd)
{
    const HWND previous = GetFocus();
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr)
        return nullptr;
    // A window not on the screen yet cannot take the focus; Windows would give it on showing.
    if (window->component().isShowing())
        window->component().grabKeyboardFocus();
    return previous;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr || lpString == nullptr)
        return invalidHandle();
    const juce::String text = juceTextOfAnsi(lpString);
    if (DialogWindow* dialog = dynamic_cast<DialogWindow*>(window))
        dialog->frame().setName(text);
    else if (auto* button = dynamic_cast<juce::Button*>(&window->component()))
        button->setButtonText(text);
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr || lpString == nullptr || nMaxCount <= 0)
        return 0;
    juce::String text;
    if (DialogWindow* dialog = dynamic_cast<DialogWindow*>(window))
        text = dialog->frame().getName();
    else if (auto* button = dynamic_cast<juce::Button*>(&window->component()))
        text = button->getButtonText();
    const std::string ansi = toAnsi(reinterpret_cast<const char16_t*>(text.toUTF16().getAddress()));
    const int copied = std::min(static_cast<int>(ansi.size()), nMaxCount - 1);
    std::memcpy(lpString, ansi.data(), static_cast<std::size_t>(copied));
    lpString[copied] = '\0';
    return copied;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr)
        return FALSE;
    window->component().repaint();
    return TRUE;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    return IsWindow(hWnd);
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    WindowObject* window = windowOf(hWnd);
    if (window == nullptr)
        return invalidHandle();
    if (DialogWindow* dialog = dynamic_cast<DialogWindow*>(window))
        DialogWindow::destroy(dialog);
    else if (auto* plain = dynamic_cast<PlainWindow*>(window))
        PlainWindow::destroy(plain);
    else if (DialogWindow* parent = parentDialogOf(window))
        parent->removeChild(window);
    return TRUE;
}

HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    DialogWindow* dialog = DialogWindow::create(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
    return dialog == nullptr ? nullptr : dialog->handle();
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    const HWND window = CreateDialogParamA(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam);
    if (window == nullptr)
        return -1;
    const INT_PTR result = win32::runModalLoop(window);
    DestroyWindow(window);
    return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult)
{
    DialogWindow* dialog = dialogOf(hDlg);
    if (dialog == nullptr)
        return invalidHandle();
    dialog->end(nResult);
    return TRUE;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    DialogWindow* dialog = dialogOf(hWnd);
    if (dialog == nullptr || nIndex != DWLP_MSGRESULT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return dialog->setMessageResult(dwNewLong);
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    DialogWindow* dialog = dialogOf(hWnd);
    if (dialog == nullptr || nIndex != DWLP_MSGRESULT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return dialog->messageResult();
}

LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    DialogWindow* dialog = dialogOf(hDlg);
    return dialog == nullptr ? 0 : dialog->defaultMessage(Msg, wParam, lParam);
}
