#include "XEmbedTray.h"

#include <X11/Xlib.h>

#include <string>

namespace win32::detail {

bool xembedTrayPresent()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Atom atom = XInternAtom(display, selection.c_str(), False);
    const bool present = XGetSelectionOwner(display, atom) != None;
    XCloseDisplay(display);
    return present;
}

} // namespace win32::detail
