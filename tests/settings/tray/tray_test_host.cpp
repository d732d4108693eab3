// The tray tests' watcher and host on the command line, for tests that run
// the settings program as a process.
//   tray-test-host watch                   be the StatusNotifierWatcher; print each
//                                          item that registers, until stdin closes
//   tray-test-host props SERVICE           the item's properties, one per line
//   tray-test-host menu SERVICE            AboutToShow, then the menu's layout
//   tray-test-host click SERVICE LABEL     a click on the item labelled LABEL
//   tray-test-host flood SERVICE N         AboutToShow N times, as fast as answered
//   tray-test-host activate SERVICE        the panel's left click
//   tray-test-host context-menu SERVICE X Y
//   tray-test-host owned SERVICE           status 0 while the item is on the bus
#include "TrayTestHost.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <poll.h>
#include <unistd.h>

namespace {

int watch()
{
    tray_test::Watcher watcher;
    if (!watcher.start()) {
        std::fprintf(stderr, "tray-test-host: cannot be the watcher\n");
        return 1;
    }
    std::printf("watching\n");
    std::fflush(stdout);
    std::size_t told = 0;
    for (;;) {
        watcher.waitForItems(told + 1, 100);
        const auto items = watcher.items();
        for (; told < items.size(); ++told)
            std::printf("registered %s\n", items[told].c_str());
        std::fflush(stdout);
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (::poll(&in, 1, 0) > 0) {
            char byte;
            if (::read(STDIN_FILENO, &byte, 1) <= 0)
                return 0;
        }
    }
}

int fail(tray_test::Host& host, const char* what)
{
    std::fprintf(stderr, "tray-test-host: %s: %s\n", what, host.lastError().c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "watch")
        return watch();
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: tray-test-host watch | props | menu | click | flood | activate | context-menu | owned\n");
        return 2;
    }
    const std::string service = argv[2];
    tray_test::Host host;
    if (!host.connected())
        return fail(host, "no session bus");
    if (command == "props") {
        for (const char* name : {"Category", "Id", "Title", "Status", "ItemIsMenu", "Menu"}) {
            const auto value = host.property(service, name);
            if (!value)
                return fail(host, name);
            std::printf("%s=%s\n", name, value->c_str());
        }
        const auto sizes = host.iconSizes(service);
        const auto tip = host.toolTipTitle(service);
        if (!sizes || !tip)
            return fail(host, "IconPixmap or ToolTip");
        std::printf("IconPixmap=%s\nToolTip=%s\n", sizes->c_str(), tip->c_str());
        return 0;
    }
    if (command == "menu") {
        if (!host.aboutToShow(service))
            return fail(host, "AboutToShow");
        const auto items = host.layout(service);
        if (!items)
            return fail(host, "GetLayout");
        std::printf("%s", tray_test::describe(*items).c_str());
        return 0;
    }
    if (command == "click" && argc == 4) {
        const auto items = host.layout(service);
        const tray_test::MenuItem* item = items ? tray_test::findItem(*items, argv[3]) : nullptr;
        if (item == nullptr) {
            std::fprintf(stderr, "tray-test-host: no item labelled %s\n", argv[3]);
            return 1;
        }
        return host.click(service, item->id) ? 0 : fail(host, "Event");
    }
    if (command == "flood" && argc == 4) {
        const int times = std::atoi(argv[3]);
        for (int i = 0; i < times; ++i)
            if (!host.aboutToShow(service))
                return fail(host, "AboutToShow");
        return 0;
    }
    if (command == "activate")
        return host.activate(service) ? 0 : fail(host, "Activate");
    if (command == "context-menu" && argc == 5)
        return host.contextMenu(service, std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : fail(host, "ContextMenu");
    if (command == "owned")
        return host.property(service, "Id") ? 0 : 1;
    std::fprintf(stderr, "tray-test-host: unknown command %s\n", command.c_str());
    return 2;
}
