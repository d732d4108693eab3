// The object behind a window handle: a dialog, one of its controls or a plain
// window, each backed by a JUCE component. Handles are registered in one
// table, so any thread can ask whether a handle names a window; everything
// else runs on the message thread.
//
// As on Windows, the handle of a top-level window means the same window in
// every process of the user: it carries its process's id, and messages posted
// to it from another process reach it through that process's window port
// (WindowPort.h).
#pragma once

#include <winuser.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <sys/types.h>
#include <vector>

namespace win32::detail {

class WindowObject
{
public:
    // `topLevel`: the handle is one other processes can address.
    WindowObject(HWND parent, int controlId, DWORD style, DWORD exStyle, bool topLevel = false);
    virtual ~WindowObject();

    HWND handle() const { return window; }
    HWND parent() const { return parentWindow; }
    int controlId() const { return id; }
    DWORD style() const { return windowStyle; }
    DWORD exStyle() const { return extendedStyle; }

    // The component that stands for the window's client area.
    virtual juce::Component& component() = 0;

    // The window's own handling of a message sent to it. The base handles
    // WM_SETFONT and WM_GETFONT and answers 0 to everything else.
    virtual LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam);

    // MoveWindow, in the parent's client coordinates (screen coordinates for a dialog).
    virtual void move(juce::Rectangle<int> bounds);
    // GetWindowRect, in screen coordinates.
    virtual juce::Rectangle<int> screenBounds();

    // The handle stops naming the window (DestroyWindow); the object goes later.
    void detach();

    HFONT fontHandle() const { return font; }
    const juce::Font& juceFont() const { return shownFont; }

    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

protected:
    // The window's font changed (WM_SETFONT): show the text in it.
    virtual void fontChanged() {}
    // WM_COMMAND with this control's id and `code` to the parent dialog.
    void notifyParent(WORD code);

private:
    HWND window;
    HWND parentWindow;
    int id;
    DWORD windowStyle;
    DWORD extendedStyle;
    HFONT font = nullptr;
    juce::Font shownFont;
};

// The window of a handle, or null (message thread only).
WindowObject* windowOf(HWND handle);
// The top-level windows of this process, in the order they were made.
std::vector<HWND> topLevelWindows();
// The process a top-level window handle belongs to; 0 for any other handle.
pid_t processOf(HWND handle);
// Whether the handle names a live window (any thread).
bool isLiveWindow(HWND handle);

// MulDiv: a * b / c rounded half away from zero.
int mulDiv(int a, int b, int c);

} // namespace win32::detail
