#include "SyntheticClick.h"

#include <X11/Xlib.h>

#include <initializer_list>

bool sendSyntheticClick(void* window, int x, int y)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    const auto target = reinterpret_cast<Window>(window);
    for (int type : {ButtonPress, ButtonRelease}) {
        XEvent event{};
        event.xbutton.type = type;
        event.xbutton.window = target;
        event.xbutton.root = DefaultRootWindow(display);
        event.xbutton.x = x;
        event.xbutton.y = y;
        event.xbutton.button = Button1;
        event.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        event.xbutton.same_screen = True;
        XSendEvent(display, target, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}
