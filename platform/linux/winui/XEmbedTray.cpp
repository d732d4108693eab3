#include "XEmbedTray.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <juce_events/juce_events.h>

#include <chrono>
#include <string>
#include <thread>

namespace win32::detail {

namespace {

constexpr long kRequestDock = 0; // SYSTEM_TRAY_REQUEST_DOCK
constexpr int kDockPollMs = 10;

// A connection of its own for each question: these are rare, and JUCE keeps its connection to itself.
class Connection
{
public:
    Connection() : display(XOpenDisplay(nullptr)) {}
    ~Connection()
    {
        if (display != nullptr)
            XCloseDisplay(display);
    }
    Display* const display;

    Window trayManager() const
    {
        const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
        return XGetSelectionOwner(display, XInternAtom(display, selection.c_str(), False));
    }

    void setMinimumSize(Window window, int size) const
    {
        XSizeHints* hints = XAllocSizeHints();
        if (hints == nullptr)
            return;
        hints->flags = PMinSize | PBaseSize;
        hints->min_width = hints->base_width = size;
        hints->min_height = hints->base_height = size;
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }
};

} // namespace

bool xembedTrayPresent()
{
    Connection x;
    return x.display != nullptr && x.trayManager() != None;
}

bool dockInXEmbedTray(void* window, int size, int timeoutMs)
{
    Connection x;
    if (x.display == nullptr || window == nullptr)
        return false;
    const Window manager = x.trayManager();
    if (manager == None)
        return false;
    const auto icon = reinterpret_cast<Window>(window);
    x.setMinimumSize(icon, size);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = manager;
    request.xclient.message_type = XInternAtom(x.display, "_NET_SYSTEM_TRAY_OPCODE", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = CurrentTime;
    request.xclient.data.l[1] = kRequestDock;
    request.xclient.data.l[2] = static_cast<long>(icon);
    XSendEvent(x.display, manager, False, NoEventMask, &request);
    // The hints must be there before the tray looks at the window.
    XSync(x.display, False);
    // Docked once the tray has made the window its child; a tray that owns the
    // selection but never docks (hung, or not a tray at all) has not.
    const auto giveUpAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Window root = None, parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(x.display, icon, &root, &parent, &children, &count) == 0)
            return false;
        if (children != nullptr)
            XFree(children);
        if (parent != root)
            return true;
        if (std::chrono::steady_clock::now() >= giveUpAt)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kDockPollMs));
    }
}

void watchForXEmbedTrays(std::function<void()> appeared)
{
    // A connection kept for the life of the process, read from JUCE's event loop.
    static Display* display = nullptr;
    static std::function<void()> told;
    if (display != nullptr || (display = XOpenDisplay(nullptr)) == nullptr)
        return;
    told = std::move(appeared);
    const Window root = DefaultRootWindow(display);
    const Atom manager = XInternAtom(display, "MANAGER", False);
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.c_str(), False);
    // A tray that takes the selection says so to every client: MANAGER on the root window.
    XSelectInput(display, root, StructureNotifyMask);
    XFlush(display);
    juce::LinuxEventLoop::registerFdCallback(ConnectionNumber(display), [manager, selection](int) {
        bool anew = false;
        while (XPending(display) > 0) {
            XEvent event{};
            XNextEvent(display, &event);
            anew = anew || (event.type == ClientMessage && event.xclient.message_type == manager &&
                            static_cast<Atom>(event.xclient.data.l[1]) == selection);
        }
        if (anew && told)
            told();
    });
}

void keepMinimumSize(void* window, int size)
{
    Connection x;
    if (x.display == nullptr || window == nullptr)
        return;
    x.setMinimumSize(reinterpret_cast<Window>(window), size);
    XSync(x.display, False);
}

void withdrawWindow(void* window)
{
    Connection x;
    if (x.display == nullptr || window == nullptr)
        return;
    const Window root = DefaultRootWindow(x.display);
    XEvent notice{};
    notice.xunmap.type = UnmapNotify;
    notice.xunmap.event = root;
    notice.xunmap.window = reinterpret_cast<Window>(window);
    notice.xunmap.from_configure = False;
    XSendEvent(x.display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &notice);
    XSync(x.display, False);
}

} // namespace win32::detail
