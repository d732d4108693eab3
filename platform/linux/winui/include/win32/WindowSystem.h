// Hooks of the window-side stand-in that have no Windows counterpart: where a
// program's resources come from, the DPI the dialogs are built for, and the
// JUCE objects behind window, icon and bitmap handles.
#pragma once

#include <windef.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstddef>
#include <string>

namespace win32 {

// Installs the program's compiled resource file (the bytes of a .res file,
// which must outlive every use) as the resources of GetModuleHandleA(nullptr).
void setProgramResources(const void* data, std::size_t size);

// A further module whose resources are a copy of these .res bytes; null when
// they are not a resource file. Modules live until the process ends.
HMODULE loadResourceModule(const void* data, std::size_t size);

// The DPI new dialogs are laid out for and GetDeviceCaps reports: the one set
// here when it is not 0, else the main display's DPI in JUCE's logical pixels
// (its dots per inch divided by its scale factor), rounded.
int systemDpi();
void setSystemDpi(int dpi);

// The component behind a window handle: for a dialog its client area, for a
// control the control. Null for handles that name no window.
juce::Component* componentOf(HWND window);
// The top-level component of a dialog (its frame with the caption), or null.
juce::Component* frameOf(HWND dialog);

// Runs the message loop until EndDialog ends `dialog` (its result) or a
// WM_QUIT is posted, or the dialog is destroyed (-1). The dialog stays.
INT_PTR runModalLoop(HWND dialog);

juce::Image imageOf(HICON icon);
juce::Image imageOf(HBITMAP bitmap);

// How the notification-area icon (window, id) of Shell_NotifyIconA shows.
enum class TrayIconKind { None, StatusNotifierItem, XEmbed };
TrayIconKind trayIconKind(HWND window, UINT id);
// The bus name of its StatusNotifierItem; empty for another kind.
std::string trayIconService(HWND window, UINT id);

} // namespace win32
