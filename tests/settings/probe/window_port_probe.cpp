// Another process of the user that writes to a program's window port what
// PostMessageA would refuse to send: for the tests that a program survives
// what any process of the user can send it.
//   window-port-probe post PID MESSAGE WPARAM LPARAM
// MESSAGE is a number or the name of a registered message. The line goes to
// every top-level window PID may have; prints how many of them the port took.
//   window-port-probe hold-mutex NAME
// Takes the named mutex, as a start that stops before it lets go of it; says
// "held" and keeps it until stdin closes.
//   window-port-probe trickle SOCKET SECONDS
// Connects to SOCKET and sends a byte every 0.9 s, never a whole line, for
// SECONDS or until cut off, connecting again when cut off.
//   window-port-probe hold-tray-selection
// Takes the XEmbed tray selection and announces it as a tray does, but docks
// nothing; says "held" and keeps it until stdin closes.
#include <InstanceChannel.h>

#include <win32/ProcessLock.h>
#include <winuser.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Top-level window handles: the top bit, the process id from bit 8, a slot from bit 2.
constexpr std::uintptr_t kTopLevelBit = 0x80000000u;
constexpr unsigned kPidShift = 8;
constexpr std::uintptr_t kSlots = 64;

bool isNumber(const char* text)
{
    return *text != '\0' && std::strspn(text, "0123456789") == std::strlen(text);
}

int trickle(const char* socketPath, int seconds)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath);
    const auto endAt = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < endAt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            while (std::chrono::steady_clock::now() < endAt && ::send(fd, "x", 1, MSG_NOSIGNAL) == 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(900));
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

void waitForStdinToClose()
{
    std::printf("held\n");
    std::fflush(stdout);
    char byte;
    while (std::fread(&byte, 1, 1, stdin) == 1) {
    }
}

int holdMutex(const char* name)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (mutex == nullptr || WaitForSingleObject(mutex, INFINITE) == WAIT_FAILED)
        return 1;
    waitForStdinToClose();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}

// A tray in name only: it owns the selection and never docks an icon.
int holdTraySelection()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1;
    const Window root = DefaultRootWindow(display);
    const Window owner = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.c_str(), False);
    XSetSelectionOwner(display, selection, owner, CurrentTime);
    if (XGetSelectionOwner(display, selection) != owner)
        return 1;
    XEvent announce{};
    announce.xclient.type = ClientMessage;
    announce.xclient.window = root;
    announce.xclient.message_type = XInternAtom(display, "MANAGER", False);
    announce.xclient.format = 32;
    announce.xclient.data.l[0] = CurrentTime;
    announce.xclient.data.l[1] = static_cast<long>(selection);
    announce.xclient.data.l[2] = static_cast<long>(owner);
    XSendEvent(display, root, False, StructureNotifyMask, &announce);
    XSync(display, False);
    waitForStdinToClose();
    XCloseDisplay(display);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "hold-tray-selection") == 0)
        return holdTraySelection();
    if (argc == 3 && std::strcmp(argv[1], "hold-mutex") == 0)
        return holdMutex(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "trickle") == 0 && isNumber(argv[3]))
        return trickle(argv[2], std::atoi(argv[3]));
    if (argc != 6 || std::strcmp(argv[1], "post") != 0 || !isNumber(argv[2])) {
        std::fprintf(
            stderr,
            "usage: window-port-probe post PID MESSAGE WPARAM LPARAM | hold-mutex NAME | trickle SOCKET SECONDS |\n"
            "       hold-tray-selection\n");
        return 2;
    }
    const auto pid = static_cast<std::uintptr_t>(std::strtoul(argv[2], nullptr, 10));
    const UINT message =
        isNumber(argv[3]) ? static_cast<UINT>(std::strtoul(argv[3], nullptr, 10)) : RegisterWindowMessageA(argv[3]);
    const juce::String port = juce::String(win32::userObjectFolder()) + "/window-" + juce::String(argv[2]) + ".sock";
    int taken = 0;
    for (std::uintptr_t slot = 1; slot < kSlots; ++slot) {
        const std::uintptr_t window = kTopLevelBit | (pid << kPidShift) | (slot << 2);
        const std::string line =
            "post " + std::to_string(window) + " " + std::to_string(message) + " " + argv[4] + " " + argv[5];
        if (InstanceChannel::handOver(port, line, 1000) == InstanceChannel::Delivery::Delivered)
            ++taken;
    }
    std::printf("%d\n", taken);
    return taken > 0 ? 0 : 1;
}
