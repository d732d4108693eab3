#include "PushButtonWindow.h"

namespace win32::detail {

PushButtonWindow::PushButtonWindow(HWND parent, int id, DWORD style, DWORD exStyle, const juce::String& text)
    : WindowObject(parent, id, style, exStyle), juce::TextButton(text)
{
    setWantsKeyboardFocus((style & WS_TABSTOP) != 0);
    getProperties().set("default", isDefaultButton());
}

void PushButtonWindow::clicked()
{
    notifyParent(BN_CLICKED);
}

} // namespace win32::detail
