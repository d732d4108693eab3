// A window made with CreateWindowExA: a message-only window of a registered
// class, whose messages go to its class's window procedure. Nothing of it
// shows; the programs use such windows to receive messages (the tray's own
// window takes the tray's notifications this way).
#pragma once

#include "WindowObject.h"

namespace win32::detail {

class PlainWindow : public WindowObject
{
public:
    PlainWindow(HWND parent, DWORD style, DWORD exStyle, WNDPROC procedure);
    ~PlainWindow() override;

    juce::Component& component() override { return area; }
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // DestroyWindow: WM_DESTROY, then the handle stops naming it; the object
    // goes once the message at hand has been handled.
    static void destroy(PlainWindow* window);

private:
    WNDPROC procedure;
    juce::Component area;
    int handling = 0;
    bool destroyPending = false;
};

} // namespace win32::detail
