// The few X11 calls the window side makes itself, on a connection of its own.
//
// The XEmbed system-tray protocol, for an icon in a tray that is not a
// StatusNotifierItem host (trayer and other XEmbed trays): the tray owns the
// selection _NET_SYSTEM_TRAY_S<screen>; an icon window asks it to dock, and
// the tray reparents, sizes and maps it. A tray sizes the icon from the
// window's minimum size, which must be set before the request and kept: JUCE
// rewrites a window's size hints whenever it moves the window.
#pragma once

#include <functional>

namespace win32::detail {

bool xembedTrayPresent();

// Asks the tray to dock `window` (an X window id), `size` pixels square at
// least, and waits up to `timeoutMs` for the tray to take it (reparent it).
// False when no tray owns the selection or none took the window in time.
bool dockInXEmbedTray(void* window, int size, int timeoutMs);

// Calls `appeared` on the message thread whenever a tray takes the selection
// (a tray starting, or starting again after it ended), for as long as the
// process runs; a tray that starts again has none of the icons it had.
// Message thread; the first call's `appeared` is the one kept.
void watchForXEmbedTrays(std::function<void()> appeared);

// Sets the window's minimum size again after JUCE replaced the hints.
void keepMinimumSize(void* window, int size);

// Tells the window manager that a top-level window it may hold as iconified
// is withdrawn (the synthetic UnmapNotify of the ICCCM): JUCE only unmaps a
// window it hides, which leaves an iconified one iconified, with its task-bar
// entry, in the window manager's eyes.
void withdrawWindow(void* window);

} // namespace win32::detail
