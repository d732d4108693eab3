// A small StatusNotifierWatcher and host for the tray tests, on the session
// bus (a private one under dbus-run-session): the watcher takes the items'
// registrations on a thread of its own; the host reads an item's properties
// and menu layout and sends the clicks a panel would. Host calls block until
// answered, so a test whose item runs on its own message thread makes them
// from another thread.
#pragma once

#include <systemd/sd-bus.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tray_test {

class Watcher
{
public:
    Watcher() = default;
    // Leaves the bus: the name org.kde.StatusNotifierWatcher is free again.
    ~Watcher();

    // Takes the watcher's name and starts answering; false when the bus or the name is not there.
    bool start();
    void stop();

    // The services registered so far, in the order they came.
    std::vector<std::string> items();
    // Waits (up to `ms`) until at least `count` items registered.
    bool waitForItems(std::size_t count, int ms);

    // For the bus's callbacks.
    void registered(const std::string& service);

private:
    void serve();

    sd_bus* bus = nullptr;
    sd_bus_slot* slot = nullptr;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> registeredItems;
    int wakeFds[2] = {-1, -1};
};

struct MenuItem
{
    int id = 0;
    std::string label;
    std::string type; // "separator" or empty
    bool enabled = true;
    bool checked = false;
    std::vector<MenuItem> children;
};

class Host
{
public:
    Host();
    ~Host();
    bool connected() const { return bus != nullptr; }

    // A string (or, for the others, its text form) property of the item; nullopt when it cannot be read.
    std::optional<std::string> property(const std::string& service, const std::string& name);
    // The sizes of the item's IconPixmap images, "16x16 22x22 ...".
    std::optional<std::string> iconSizes(const std::string& service);
    // The tool tip's title.
    std::optional<std::string> toolTipTitle(const std::string& service);

    // AboutToShow on the root, as a panel does before it opens the menu; its answer.
    std::optional<bool> aboutToShow(const std::string& service);
    // The whole layout below the root; nullopt when it cannot be read.
    std::optional<std::vector<MenuItem>> layout(const std::string& service, unsigned* revision = nullptr);
    // A panel's click on the menu item `id`.
    bool click(const std::string& service, int id);
    // The item's Activate (the panel's left click) and ContextMenu.
    bool activate(const std::string& service);
    bool contextMenu(const std::string& service, int x, int y);

    std::string lastError() const { return error; }

private:
    bool call(const std::string& service, const char* path, const char* interface, const char* member,
              sd_bus_message** reply, const char* types = nullptr, ...);

    sd_bus* bus = nullptr;
    std::string error;
};

// The item whose label is `label` (searched depth first); null when none.
const MenuItem* findItem(const std::vector<MenuItem>& items, const std::string& label);

// One line per item, indented by level: "label" with " [disabled]", " [checked]", "---" for separators.
std::string describe(const std::vector<MenuItem>& items, int indent = 0);

} // namespace tray_test
