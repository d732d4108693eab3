// Posted messages. Within the process they travel through JUCE's message
// queue, from any thread, and are handled on the message thread in the order
// posted. A message posted to a top-level window of another process of the
// user goes through that process's window port: a socket in the user's object
// folder named after the process (an InstanceChannel), whose messages join the
// owning process's queue behind whatever it had queued before. A post to a
// process that is gone, or that does not take the message within a second,
// fails: the poster never waits longer on a hung peer.
#pragma once

#include <winuser.h>

namespace win32::detail {

// Installs the routes: the PostMessageA sink and this process's window port.
// Called whenever a top-level window is made (message thread).
void routePostedMessages();

// SetForegroundWindow and IsWindow on a window of another process.
BOOL bringForwardInOtherProcess(HWND window);
bool existsInOtherProcess(HWND window);
// Whether `window` belongs to another process of the user.
bool isOtherProcessWindow(HWND window);

// Whether a WM_QUIT waits for the outermost modal loop; modal loops end on it.
bool quitPosted();
// The outermost modal loop has ended on the WM_QUIT: it is taken.
void takeQuit();

} // namespace win32::detail
