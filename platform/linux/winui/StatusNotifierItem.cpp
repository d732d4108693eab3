#include "StatusNotifierItem.h"

#include "WindowText.h"

#include <atomic>
#include <cstring>
#include <unistd.h>

namespace win32::detail {

namespace {

constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr auto kRegistrationTimeout = std::chrono::milliseconds(3000);
constexpr int kFirstSyntheticId = 0x10000;
constexpr std::uint32_t kDbusMenuVersion = 3;
const int kIconSizes[] = {16, 22, 24, 32, 48};

std::atomic<int> itemsMade{0};

StatusNotifierItem& itemOf(void* userdata)
{
    return *static_cast<StatusNotifierItem*>(userdata);
}

// ---------------------------------------------------------------- the item's properties

int appendString(sd_bus_message* reply, const std::string& text)
{
    return sd_bus_message_append(reply, "s", text.c_str());
}

// ARGB32 images, bytes in network order, one per size the panels ask for.
int appendPixmaps(sd_bus_message* reply, const juce::Image& image)
{
    int r = sd_bus_message_open_container(reply, 'a', "(iiay)");
    if (r < 0 || !image.isValid())
        return r < 0 ? r : sd_bus_message_close_container(reply);
    for (const int size : kIconSizes) {
        const juce::Image scaled =
            image.getWidth() == size ? image : image.rescaled(size, size, juce::Graphics::highResamplingQuality);
        std::vector<std::uint8_t> bytes;
        bytes.reserve(static_cast<std::size_t>(size * size * 4));
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const juce::Colour pixel = scaled.getPixelAt(x, y);
                bytes.insert(bytes.end(), {pixel.getAlpha(), pixel.getRed(), pixel.getGreen(), pixel.getBlue()});
            }
        if ((r = sd_bus_message_open_container(reply, 'r', "iiay")) < 0 ||
            (r = sd_bus_message_append(reply, "ii", size, size)) < 0 ||
            (r = sd_bus_message_append_array(reply, 'y', bytes.data(), bytes.size())) < 0 ||
            (r = sd_bus_message_close_container(reply)) < 0)
            return r;
    }
    return sd_bus_message_close_container(reply);
}

int getItemProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void* userdata,
                    sd_bus_error*)
{
    const StatusNotifierItem& item = itemOf(userdata);
    const std::string name = property;
    if (name == "Category")
        return appendString(reply, "Hardware");
    if (name == "Id")
        return appendString(reply, item.itemId);
    if (name == "Title")
        return appendString(reply, item.title);
    if (name == "Status")
        return appendString(reply, "Active");
    if (name == "WindowId")
        return sd_bus_message_append(reply, "i", 0);
    if (name == "ItemIsMenu")
        return sd_bus_message_append(reply, "b", 0);
    if (name == "Menu")
        return sd_bus_message_append(reply, "o", StatusNotifierItem::kMenuPath);
    if (name == "IconPixmap")
        return appendPixmaps(reply, item.icon);
    if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap")
        return appendPixmaps(reply, {});
    if (name == "ToolTip") {
        int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
        if (r < 0 || (r = appendString(reply, "")) < 0 || (r = appendPixmaps(reply, {})) < 0 ||
            (r = sd_bus_message_append(reply, "ss", item.title.c_str(), "")) < 0)
            return r;
        return sd_bus_message_close_container(reply);
    }
    return appendString(reply, ""); // the icon names, theme path and movie: none
}

POINT pointOf(sd_bus_message* call)
{
    std::int32_t x = 0, y = 0;
    sd_bus_message_read(call, "ii", &x, &y);
    return POINT{x, y};
}

// The panel's clicks are answered at once and acted on afterwards, on the
// message thread, never inside a call the program is still waiting for.
int onClick(sd_bus_message* call, void* userdata, std::function<void(POINT)> StatusNotifierItem::Events::*which)
{
    const auto& action = itemOf(userdata).events.*which;
    const POINT at = pointOf(call);
    if (action)
        juce::MessageManager::callAsync([action, at] { action(at); });
    return sd_bus_reply_method_return(call, "");
}

int onActivate(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return onClick(call, userdata, &StatusNotifierItem::Events::activate);
}

int onSecondaryActivate(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return onClick(call, userdata, &StatusNotifierItem::Events::secondaryActivate);
}

int onContextMenu(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return onClick(call, userdata, &StatusNotifierItem::Events::contextMenu);
}

int onScroll(sd_bus_message* call, void*, sd_bus_error*)
{
    return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable itemTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Category", "s", getItemProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Id", "s", getItemProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Title", "s", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("Status", "s", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("WindowId", "i", getItemProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconName", "s", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("IconThemePath", "s", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("IconPixmap", "a(iiay)", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("OverlayIconName", "s", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("OverlayIconPixmap", "a(iiay)", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("AttentionIconName", "s", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("AttentionIconPixmap", "a(iiay)", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("AttentionMovieName", "s", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", getItemProperty, 0, 0),
    SD_BUS_PROPERTY("ItemIsMenu", "b", getItemProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Menu", "o", getItemProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("ContextMenu", "ii", "", onContextMenu, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Activate", "ii", "", onActivate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SecondaryActivate", "ii", "", onSecondaryActivate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Scroll", "is", "", onScroll, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("NewTitle", "", 0),
    SD_BUS_SIGNAL("NewIcon", "", 0),
    SD_BUS_SIGNAL("NewAttentionIcon", "", 0),
    SD_BUS_SIGNAL("NewOverlayIcon", "", 0),
    SD_BUS_SIGNAL("NewToolTip", "", 0),
    SD_BUS_SIGNAL("NewStatus", "s", 0),
    SD_BUS_VTABLE_END};

// ---------------------------------------------------------------- the menu

// Builds the menu anew when the panel is about to show it, unless the program
// is inside a bus call of its own, where it must not start anything new.
void menuAboutToShow(StatusNotifierItem& item)
{
    if (item.events.menuAboutToShow && !item.bus.isWaiting())
        item.events.menuAboutToShow();
}

bool wanted(const std::vector<std::string>& names, const char* property)
{
    if (names.empty())
        return true;
    for (const auto& name : names)
        if (name == property)
            return true;
    return false;
}

int appendProperty(sd_bus_message* reply, const char* name, const char* type, const void* value)
{
    int r;
    if ((r = sd_bus_message_open_container(reply, 'e', "sv")) < 0 ||
        (r = sd_bus_message_append(reply, "s", name)) < 0 || (r = sd_bus_message_open_container(reply, 'v', type)) < 0)
        return r;
    if (type[0] == 's')
        r = sd_bus_message_append(reply, "s", static_cast<const char*>(value));
    else
        r = sd_bus_message_append_basic(reply, type[0], value);
    if (r < 0 || (r = sd_bus_message_close_container(reply)) < 0)
        return r;
    return sd_bus_message_close_container(reply);
}

int appendEntryProperties(sd_bus_message* reply, const StatusNotifierItem::MenuEntry& entry,
                          const std::vector<std::string>& names)
{
    int r = sd_bus_message_open_container(reply, 'a', "{sv}");
    if (r < 0)
        return r;
    const MenuSnapshot::Item* item = entry.item;
    if (item == nullptr) {
        if (wanted(names, "children-display"))
            r = appendProperty(reply, "children-display", "s", "submenu");
        return r < 0 ? r : sd_bus_message_close_container(reply);
    }
    if (item->isSeparator()) {
        if (wanted(names, "type"))
            r = appendProperty(reply, "type", "s", "separator");
        return r < 0 ? r : sd_bus_message_close_container(reply);
    }
    const std::string label = dbusMenuLabel(item->text);
    const int enabled = item->isEnabled() ? 1 : 0;
    const std::int32_t checked = 1;
    if (wanted(names, "label") && (r = appendProperty(reply, "label", "s", label.c_str())) < 0)
        return r;
    if (wanted(names, "enabled") && (r = appendProperty(reply, "enabled", "b", &enabled)) < 0)
        return r;
    if (item->isPopup() && wanted(names, "children-display") &&
        (r = appendProperty(reply, "children-display", "s", "submenu")) < 0)
        return r;
    // As in the Windows menu, only a checked item shows a mark.
    if (item->isChecked()) {
        if (wanted(names, "toggle-type") && (r = appendProperty(reply, "toggle-type", "s", "checkmark")) < 0)
            return r;
        if (wanted(names, "toggle-state") && (r = appendProperty(reply, "toggle-state", "i", &checked)) < 0)
            return r;
    }
    return sd_bus_message_close_container(reply);
}

// (ia{sv}av): the entry, its properties and, down to `depth` levels (-1: all), its children.
int appendLayout(sd_bus_message* reply, const StatusNotifierItem& item, const StatusNotifierItem::MenuEntry& entry,
                 int depth, const std::vector<std::string>& names)
{
    int r;
    if ((r = sd_bus_message_open_container(reply, 'r', "ia{sv}av")) < 0 ||
        (r = sd_bus_message_append(reply, "i", entry.id)) < 0 || (r = appendEntryProperties(reply, entry, names)) < 0 ||
        (r = sd_bus_message_open_container(reply, 'a', "v")) < 0)
        return r;
    if (depth != 0)
        for (const int childId : entry.children) {
            const StatusNotifierItem::MenuEntry* child = item.entry(childId);
            if (child == nullptr)
                continue;
            if ((r = sd_bus_message_open_container(reply, 'v', "(ia{sv}av)")) < 0 ||
                (r = appendLayout(reply, item, *child, depth < 0 ? -1 : depth - 1, names)) < 0 ||
                (r = sd_bus_message_close_container(reply)) < 0)
                return r;
        }
    if ((r = sd_bus_message_close_container(reply)) < 0)
        return r;
    return sd_bus_message_close_container(reply);
}

std::vector<std::string> readNames(sd_bus_message* call)
{
    std::vector<std::string> names;
    char** strv = nullptr;
    if (sd_bus_message_read_strv(call, &strv) >= 0 && strv != nullptr) {
        for (char** name = strv; *name != nullptr; ++name) {
            names.emplace_back(*name);
            free(*name);
        }
        free(strv);
    }
    return names;
}

int onGetLayout(sd_bus_message* call, void* userdata, sd_bus_error* error)
{
    StatusNotifierItem& item = itemOf(userdata);
    std::int32_t parent = 0, depth = -1;
    if (sd_bus_message_read(call, "ii", &parent, &depth) < 0)
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "expected (ii as)");
    const auto names = readNames(call);
    // A panel that asks before anything was shown gets the menu as it stands now.
    if (!item.hasMenu())
        menuAboutToShow(item);
    const StatusNotifierItem::MenuEntry* entry = item.entry(parent);
    if (entry == nullptr)
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "no such menu item");
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0 && (r = sd_bus_message_append(reply, "u", item.revision())) >= 0 &&
        (r = appendLayout(reply, item, *entry, depth, names)) >= 0)
        r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

int onGetGroupProperties(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    StatusNotifierItem& item = itemOf(userdata);
    const std::int32_t* ids = nullptr;
    std::size_t size = 0;
    sd_bus_message_read_array(call, 'i', reinterpret_cast<const void**>(&ids), &size);
    std::vector<std::int32_t> wantedIds(ids, ids + size / sizeof(std::int32_t));
    const auto names = readNames(call);
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0)
        r = sd_bus_message_open_container(reply, 'a', "(ia{sv})");
    for (const std::int32_t id : wantedIds) {
        const StatusNotifierItem::MenuEntry* entry = item.entry(id);
        if (entry == nullptr || r < 0)
            continue;
        if ((r = sd_bus_message_open_container(reply, 'r', "ia{sv}")) >= 0 &&
            (r = sd_bus_message_append(reply, "i", id)) >= 0 && (r = appendEntryProperties(reply, *entry, names)) >= 0)
            r = sd_bus_message_close_container(reply);
    }
    if (r >= 0 && (r = sd_bus_message_close_container(reply)) >= 0)
        r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

int onGetProperty(sd_bus_message* call, void* userdata, sd_bus_error* error)
{
    StatusNotifierItem& item = itemOf(userdata);
    std::int32_t id = 0;
    const char* name = nullptr;
    if (sd_bus_message_read(call, "is", &id, &name) < 0 || item.entry(id) == nullptr)
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "no such menu item");
    const StatusNotifierItem::MenuEntry* entry = item.entry(id);
    const MenuSnapshot::Item* source = entry->item;
    const std::string property = name;
    if (property == "label" && source != nullptr && !source->isSeparator())
        return sd_bus_reply_method_return(call, "v", "s", dbusMenuLabel(source->text).c_str());
    if (property == "enabled" && source != nullptr)
        return sd_bus_reply_method_return(call, "v", "b", source->isEnabled() ? 1 : 0);
    if (property == "type" && source != nullptr && source->isSeparator())
        return sd_bus_reply_method_return(call, "v", "s", "separator");
    if (property == "toggle-state" && source != nullptr && source->isChecked())
        return sd_bus_reply_method_return(call, "v", "i", 1);
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "the item has no such property");
}

// A click on an item: its command goes to the menu's owner, as TrackPopupMenu's choice would.
void clicked(StatusNotifierItem& item, std::int32_t id, const char* eventId)
{
    const StatusNotifierItem::MenuEntry* entry = item.entry(id);
    if (entry == nullptr || entry->item == nullptr || std::strcmp(eventId, "clicked") != 0)
        return;
    const MenuSnapshot::Item& source = *entry->item;
    if (source.isSeparator() || source.isPopup() || !source.isEnabled())
        return;
    PostMessageA(item.menuOwner, WM_COMMAND, static_cast<WPARAM>(source.id), 0);
}

int onEvent(sd_bus_message* call, void* userdata, sd_bus_error* error)
{
    std::int32_t id = 0;
    const char* eventId = nullptr;
    if (sd_bus_message_read(call, "is", &id, &eventId) < 0)
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "expected (isvu)");
    clicked(itemOf(userdata), id, eventId);
    return sd_bus_reply_method_return(call, "");
}

int onEventGroup(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    int r = sd_bus_message_enter_container(call, 'a', "(isvu)");
    while (r > 0 && (r = sd_bus_message_enter_container(call, 'r', "isvu")) > 0) {
        std::int32_t id = 0;
        const char* eventId = nullptr;
        if (sd_bus_message_read(call, "is", &id, &eventId) >= 0)
            clicked(itemOf(userdata), id, eventId);
        sd_bus_message_skip(call, "vu");
        sd_bus_message_exit_container(call);
    }
    return sd_bus_reply_method_return(call, "ai", 0);
}

int onAboutToShow(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    std::int32_t id = -1;
    sd_bus_message_read(call, "i", &id);
    StatusNotifierItem& item = itemOf(userdata);
    if (id == 0)
        menuAboutToShow(item);
    return sd_bus_reply_method_return(call, "b", id == 0 ? 1 : 0);
}

int onAboutToShowGroup(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    const std::int32_t* ids = nullptr;
    std::size_t size = 0;
    sd_bus_message_read_array(call, 'i', reinterpret_cast<const void**>(&ids), &size);
    bool root = false;
    for (std::size_t i = 0; i < size / sizeof(std::int32_t); ++i)
        root = root || ids[i] == 0;
    if (root)
        menuAboutToShow(itemOf(userdata));
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    const std::int32_t rootId = 0;
    if (r >= 0 && (r = sd_bus_message_append_array(reply, 'i', &rootId, root ? sizeof rootId : 0)) >= 0 &&
        (r = sd_bus_message_append_array(reply, 'i', nullptr, 0)) >= 0)
        r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

int getMenuProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
                    sd_bus_error*)
{
    const std::string name = property;
    if (name == "Version")
        return sd_bus_message_append(reply, "u", kDbusMenuVersion);
    if (name == "TextDirection")
        return appendString(reply, "ltr");
    if (name == "Status")
        return appendString(reply, "normal");
    return sd_bus_message_append_strv(reply, nullptr); // IconThemePath
}

const sd_bus_vtable menuTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Version", "u", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("TextDirection", "s", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Status", "s", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconThemePath", "as", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("GetLayout", "iias", "u(ia{sv}av)", onGetLayout, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetGroupProperties", "aias", "a(ia{sv})", onGetGroupProperties, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetProperty", "is", "v", onGetProperty, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Event", "isvu", "", onEvent, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("EventGroup", "a(isvu)", "ai", onEventGroup, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("AboutToShow", "i", "b", onAboutToShow, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("AboutToShowGroup", "ai", "aiai", onAboutToShowGroup, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("ItemsPropertiesUpdated", "a(ia{sv})a(ias)", 0),
    SD_BUS_SIGNAL("LayoutUpdated", "ui", 0),
    SD_BUS_SIGNAL("ItemActivationRequested", "iu", 0),
    SD_BUS_VTABLE_END};

} // namespace

std::string dbusMenuLabel(const std::string& windowsText)
{
    const auto tab = windowsText.find('\t');
    std::string label;
    for (std::size_t i = 0; i < windowsText.size() && i != tab; ++i) {
        const char c = windowsText[i];
        if (c == '&' && i + 1 < windowsText.size() && windowsText[i + 1] == '&') {
            label += '&';
            ++i;
        } else if (c == '&') {
            label += '_';
        } else if (c == '_') {
            label += "__";
        } else {
            label += c;
        }
    }
    return juceTextOfAnsi(label).toStdString();
}

StatusNotifierItem::StatusNotifierItem(SessionBus& sessionBus, std::string id, Events itemEvents)
    : bus(sessionBus), events(std::move(itemEvents)), itemId(std::move(id)),
      service("org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-" + std::to_string(++itemsMade))
{
    indexMenu();
}

StatusNotifierItem::~StatusNotifierItem()
{
    sd_bus_slot_unref(itemSlot);
    sd_bus_slot_unref(menuSlot);
    sd_bus_release_name(bus.bus(), service.c_str());
    bus.pump();
}

bool StatusNotifierItem::show(std::string& error)
{
    sd_bus* connection = bus.bus();
    if (sd_bus_add_object_vtable(connection, &itemSlot, kItemPath, kItemInterface, itemTable, this) < 0 ||
        sd_bus_add_object_vtable(connection, &menuSlot, kMenuPath, kMenuInterface, menuTable, this) < 0) {
        error = "the item's objects cannot be put on the bus";
        return false;
    }
    if (sd_bus_request_name(connection, service.c_str(), 0) < 0) {
        error = "the name " + service + " cannot be taken";
        return false;
    }
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(connection, &call, kWatcherName, "/StatusNotifierWatcher", kWatcherName,
                                       "RegisterStatusNotifierItem") < 0) {
        error = "no call to the watcher";
        return false;
    }
    sd_bus_message_append(call, "s", service.c_str());
    sd_bus_message* reply = bus.callAndWait(call, kRegistrationTimeout, error);
    sd_bus_message_unref(call);
    sd_bus_message_unref(reply);
    return reply != nullptr;
}

void StatusNotifierItem::emit(const char* path, const char* interface, const char* member)
{
    sd_bus_emit_signal(bus.bus(), path, interface, member, "");
    bus.pump();
}

void StatusNotifierItem::setIcon(const juce::Image& image)
{
    icon = image;
    if (itemSlot != nullptr)
        emit(kItemPath, kItemInterface, "NewIcon");
}

void StatusNotifierItem::setTitle(const std::string& text)
{
    title = text;
    if (itemSlot != nullptr) {
        emit(kItemPath, kItemInterface, "NewTitle");
        emit(kItemPath, kItemInterface, "NewToolTip");
    }
}

void StatusNotifierItem::publishMenu(const MenuSnapshot& snapshot, HWND owner)
{
    menu = snapshot;
    menuOwner = owner;
    menuPublished = true;
    indexMenu();
    ++layoutRevision;
    if (menuSlot != nullptr) {
        sd_bus_emit_signal(bus.bus(), kMenuPath, kMenuInterface, "LayoutUpdated", "ui", layoutRevision, 0);
        bus.pump();
    }
}

void StatusNotifierItem::indexMenu()
{
    entries.clear();
    entries.push_back(MenuEntry{});
    int nextSyntheticId = kFirstSyntheticId;
    addEntries(menu.items, 0, nextSyntheticId);
}

// Command items keep their command as their id; separators and popups, and a
// command met a second time, get ids of their own above the 16-bit commands.
void StatusNotifierItem::addEntries(const std::vector<MenuSnapshot::Item>& items, std::size_t parent,
                                    int& nextSyntheticId)
{
    for (const auto& source : items) {
        MenuEntry added;
        added.item = &source;
        const bool command = !source.isSeparator() && !source.isPopup() && source.id != 0;
        added.id =
            command && entry(static_cast<int>(source.id)) == nullptr ? static_cast<int>(source.id) : nextSyntheticId++;
        entries[parent].children.push_back(added.id);
        entries.push_back(added);
        if (source.isPopup())
            addEntries(source.items, entries.size() - 1, nextSyntheticId);
    }
}

const StatusNotifierItem::MenuEntry* StatusNotifierItem::entry(int id) const
{
    for (const auto& candidate : entries)
        if (candidate.id == id)
            return &candidate;
    return nullptr;
}

} // namespace win32::detail
