#include "CheckBoxWindow.h"

namespace win32::detail {

CheckBoxWindow::CheckBoxWindow(HWND parent, int id, DWORD style, DWORD exStyle, const juce::String& text)
    : WindowObject(parent, id, style, exStyle), juce::ToggleButton(text)
{
    // An automatic check box turns its check over before the dialog hears of the click.
    setClickingTogglesState((style & BS_TYPEMASK) == BS_AUTOCHECKBOX);
    setWantsKeyboardFocus((style & WS_TABSTOP) != 0);
}

LRESULT CheckBoxWindow::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case BM_GETCHECK:
        return getToggleState() ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        setToggleState(wParam == BST_CHECKED, juce::dontSendNotification);
        return 0;
    default:
        return WindowObject::message(msg, wParam, lParam);
    }
}

void CheckBoxWindow::clicked()
{
    notifyParent(BN_CLICKED);
}

} // namespace win32::detail
