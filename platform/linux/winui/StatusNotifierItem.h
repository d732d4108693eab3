// A notification-area icon as the StatusNotifierItem protocol has it: an
// object on the session bus (org.kde.StatusNotifierItem) that a panel finds
// through the StatusNotifierWatcher, with its menu served beside it over the
// com.canonical.dbusmenu interface. The panel shows the icon and the menu and
// sends the clicks back; what a click does is the owner's (Events).
//
// dbusmenu has no notion of a default item: the item's default action is
// what Activate does, and the menu shows its items, order, check marks and
// greyed items as the Windows menu has them.
#pragma once

#include "MenuSnapshot.h"
#include "SessionBus.h"

#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <string>
#include <vector>

namespace win32::detail {

class StatusNotifierItem
{
public:
    struct Events
    {
        std::function<void(POINT)> activate;          // the panel's primary click
        std::function<void(POINT)> secondaryActivate; // its middle click
        std::function<void(POINT)> contextMenu;       // asks the item to show its menu itself
        std::function<void()> menuAboutToShow;        // the panel is about to show the menu: publish it now
    };

    static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kItemPath = "/StatusNotifierItem";
    static constexpr const char* kMenuPath = "/MenuBar";

    StatusNotifierItem(SessionBus& bus, std::string id, Events events);
    // Leaves the bus: the panel drops the icon.
    ~StatusNotifierItem();

    // Puts the item on the bus and tells the watcher; false with `error` when either fails.
    bool show(std::string& error);

    void setIcon(const juce::Image& image);
    void setTitle(const std::string& title);

    // The menu the panel shows from now on; a click on an item posts WM_COMMAND
    // with the item's id to `owner`.
    void publishMenu(const MenuSnapshot& menu, HWND owner);
    bool hasMenu() const { return menuPublished; }
    unsigned revision() const { return layoutRevision; }
    const std::string& serviceName() const { return service; }

    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    // For the bus's callbacks.
    struct MenuEntry
    {
        int id = 0;
        const MenuSnapshot::Item* item = nullptr; // null for the root
        std::vector<int> children;
    };
    SessionBus& bus;
    Events events;
    juce::Image icon;
    std::string title;
    std::string itemId;
    MenuSnapshot menu;
    std::vector<MenuEntry> entries; // by position; entry 0 is the root
    HWND menuOwner = nullptr;
    bool menuPublished = false;
    unsigned layoutRevision = 1;

    const MenuEntry* entry(int id) const;
    void emit(const char* path, const char* interface, const char* member);

private:
    void indexMenu();
    void addEntries(const std::vector<MenuSnapshot::Item>& items, std::size_t parent, int& nextSyntheticId);

    std::string service;
    sd_bus_slot* itemSlot = nullptr;
    sd_bus_slot* menuSlot = nullptr;
};

// The dbusmenu label of a Windows menu text: the & mnemonic becomes _, a
// literal _ is doubled, "&&" is one &, and a tab-separated shortcut is dropped.
std::string dbusMenuLabel(const std::string& windowsText);

} // namespace win32::detail
