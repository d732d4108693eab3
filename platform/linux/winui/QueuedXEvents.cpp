#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "QueuedXEvents.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace win32::detail {

namespace {

// An input-only window of JUCE's connection that no component owns, so JUCE ignores what it is sent.
::Window wakeWindow(::Display* display)
{
    static ::Window window = 0;
    if (window == 0) {
        XSetWindowAttributes attributes{};
        window = XCreateWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, 0,
                               &attributes);
    }
    return window;
}

} // namespace

void flushJuceXRequests()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    ::Display* display = windowSystem == nullptr ? nullptr : windowSystem->getDisplay();
    if (display == nullptr)
        return;
    juce::XWindowSystemUtilities::ScopedXLock lock;
    XSync(display, False);
}

void wakeForQueuedXEvents()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    ::Display* display = windowSystem == nullptr ? nullptr : windowSystem->getDisplay();
    if (display == nullptr)
        return;
    juce::XWindowSystemUtilities::ScopedXLock lock;
    if (XEventsQueued(display, QueuedAlready) == 0)
        return;
    XEvent wake{};
    wake.xclient.type = ClientMessage;
    wake.xclient.window = wakeWindow(display);
    static const Atom wakeAtom = XInternAtom(display, "_TESSARY_WAKE", False);
    wake.xclient.message_type = wakeAtom;
    wake.xclient.format = 32;
    XSendEvent(display, wake.xclient.window, False, NoEventMask, &wake);
    XFlush(display);
}

} // namespace win32::detail
