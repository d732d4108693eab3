#include "TrayTestHost.h"

#include <cstdarg>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tray_test {

namespace {

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr std::uint64_t kCallTimeoutUsec = 5 * 1000 * 1000;

int onRegisterItem(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    const char* service = nullptr;
    if (sd_bus_message_read(call, "s", &service) < 0)
        return -EINVAL;
    // A path names an object of the caller; a name is the item's own bus name.
    std::string name = service;
    if (!name.empty() && name[0] == '/')
        name = sd_bus_message_get_sender(call);
    static_cast<Watcher*>(userdata)->registered(name);
    sd_bus_emit_signal(sd_bus_message_get_bus(call), kWatcherPath, kWatcherName, "StatusNotifierItemRegistered", "s",
                       name.c_str());
    return sd_bus_reply_method_return(call, "");
}

int onRegisterHost(sd_bus_message* call, void*, sd_bus_error*)
{
    return sd_bus_reply_method_return(call, "");
}

int getWatcherProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void* userdata,
                       sd_bus_error*)
{
    if (std::strcmp(property, "IsStatusNotifierHostRegistered") == 0)
        return sd_bus_message_append(reply, "b", 1);
    if (std::strcmp(property, "ProtocolVersion") == 0)
        return sd_bus_message_append(reply, "i", 0);
    int r = sd_bus_message_open_container(reply, 'a', "s");
    for (const auto& item : static_cast<Watcher*>(userdata)->items())
        if (r >= 0)
            r = sd_bus_message_append(reply, "s", item.c_str());
    return r < 0 ? r : sd_bus_message_close_container(reply);
}

const sd_bus_vtable watcherTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("RegisterStatusNotifierItem", "s", "", onRegisterItem, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("RegisterStatusNotifierHost", "s", "", onRegisterHost, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("RegisteredStatusNotifierItems", "as", getWatcherProperty, 0, 0),
    SD_BUS_PROPERTY("IsStatusNotifierHostRegistered", "b", getWatcherProperty, 0, 0),
    SD_BUS_PROPERTY("ProtocolVersion", "i", getWatcherProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_SIGNAL("StatusNotifierItemRegistered", "s", 0),
    SD_BUS_SIGNAL("StatusNotifierItemUnregistered", "s", 0),
    SD_BUS_SIGNAL("StatusNotifierHostRegistered", "", 0),
    SD_BUS_VTABLE_END};

bool readLayout(sd_bus_message* reply, MenuItem& item);

bool readProperty(sd_bus_message* reply, MenuItem& item)
{
    const char* key = nullptr;
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_read(reply, "s", &key) < 0 || sd_bus_message_peek_type(reply, &type, &contents) < 0 ||
        sd_bus_message_enter_container(reply, 'v', contents) < 0)
        return false;
    const std::string name = key;
    if (std::strcmp(contents, "s") == 0) {
        const char* text = nullptr;
        sd_bus_message_read(reply, "s", &text);
        if (name == "label")
            item.label = text;
        else if (name == "type")
            item.type = text;
    } else if (std::strcmp(contents, "b") == 0) {
        int flag = 1;
        sd_bus_message_read(reply, "b", &flag);
        if (name == "enabled")
            item.enabled = flag != 0;
    } else if (std::strcmp(contents, "i") == 0) {
        std::int32_t value = 0;
        sd_bus_message_read(reply, "i", &value);
        if (name == "toggle-state")
            item.checked = value == 1;
    } else {
        sd_bus_message_skip(reply, contents);
    }
    return sd_bus_message_exit_container(reply) >= 0;
}

bool readLayout(sd_bus_message* reply, MenuItem& item)
{
    if (sd_bus_message_enter_container(reply, 'r', "ia{sv}av") < 0 || sd_bus_message_read(reply, "i", &item.id) < 0 ||
        sd_bus_message_enter_container(reply, 'a', "{sv}") < 0)
        return false;
    int r;
    while ((r = sd_bus_message_enter_container(reply, 'e', "sv")) > 0) {
        if (!readProperty(reply, item) || sd_bus_message_exit_container(reply) < 0)
            return false;
    }
    if (r < 0 || sd_bus_message_exit_container(reply) < 0 || sd_bus_message_enter_container(reply, 'a', "v") < 0)
        return false;
    while ((r = sd_bus_message_enter_container(reply, 'v', "(ia{sv}av)")) > 0) {
        MenuItem child;
        if (!readLayout(reply, child) || sd_bus_message_exit_container(reply) < 0)
            return false;
        item.children.push_back(std::move(child));
    }
    return r >= 0 && sd_bus_message_exit_container(reply) >= 0 && sd_bus_message_exit_container(reply) >= 0;
}

} // namespace

// ---------------------------------------------------------------- Watcher

Watcher::~Watcher()
{
    stop();
}

bool Watcher::start()
{
    if (sd_bus_open_user(&bus) < 0 || ::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    if (sd_bus_add_object_vtable(bus, &slot, kWatcherPath, kWatcherName, watcherTable, this) < 0 ||
        sd_bus_request_name(bus, kWatcherName, 0) < 0) {
        stop();
        return false;
    }
    thread = std::thread([this] { serve(); });
    return true;
}

void Watcher::stop()
{
    if (thread.joinable()) {
        stopping = true;
        [[maybe_unused]] const auto written = ::write(wakeFds[1], "x", 1);
        thread.join();
    }
    sd_bus_slot_unref(slot);
    slot = nullptr;
    if (bus != nullptr)
        sd_bus_flush_close_unref(bus);
    bus = nullptr;
    for (int& fd : wakeFds)
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
}

void Watcher::serve()
{
    while (!stopping) {
        while (sd_bus_process(bus, nullptr) > 0) {
        }
        pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0}, {wakeFds[0], POLLIN, 0}};
        ::poll(fds, 2, 100);
    }
}

void Watcher::registered(const std::string& service)
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        registeredItems.push_back(service);
    }
    changed.notify_all();
}

std::vector<std::string> Watcher::items()
{
    std::lock_guard<std::mutex> guard(mutex);
    return registeredItems;
}

bool Watcher::waitForItems(std::size_t count, int ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return registeredItems.size() >= count; });
}

// ---------------------------------------------------------------- Host

Host::Host()
{
    if (sd_bus_open_user(&bus) < 0)
        bus = nullptr;
    else
        sd_bus_set_method_call_timeout(bus, kCallTimeoutUsec);
}

Host::~Host()
{
    if (bus != nullptr)
        sd_bus_flush_close_unref(bus);
}

bool Host::call(const std::string& service, const char* path, const char* interface, const char* member,
                sd_bus_message** reply, const char* types, ...)
{
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    va_list arguments;
    va_start(arguments, types);
    const int r = sd_bus_call_methodv(bus, service.c_str(), path, interface, member, &failure, reply, types, arguments);
    va_end(arguments);
    error = failure.message != nullptr ? failure.message : (r < 0 ? std::strerror(-r) : "");
    sd_bus_error_free(&failure);
    return r >= 0;
}

std::optional<std::string> Host::property(const std::string& service, const std::string& name)
{
    sd_bus_message* reply = nullptr;
    if (!call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get", &reply, "ss", kItemInterface,
              name.c_str()))
        return std::nullopt;
    std::optional<std::string> value;
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(reply, &type, &contents) >= 0 &&
        sd_bus_message_enter_container(reply, 'v', contents) >= 0) {
        if (contents[0] == 's' || contents[0] == 'o') {
            const char* text = nullptr;
            if (sd_bus_message_read_basic(reply, contents[0], &text) >= 0)
                value = text;
        } else if (contents[0] == 'b') {
            int flag = 0;
            if (sd_bus_message_read(reply, "b", &flag) >= 0)
                value = flag ? "true" : "false";
        } else if (contents[0] == 'i') {
            std::int32_t number = 0;
            if (sd_bus_message_read(reply, "i", &number) >= 0)
                value = std::to_string(number);
        }
    }
    sd_bus_message_unref(reply);
    return value;
}

std::optional<std::string> Host::iconSizes(const std::string& service)
{
    sd_bus_message* reply = nullptr;
    if (!call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get", &reply, "ss", kItemInterface,
              "IconPixmap"))
        return std::nullopt;
    std::string sizes;
    bool whole = sd_bus_message_enter_container(reply, 'v', "a(iiay)") >= 0 &&
                 sd_bus_message_enter_container(reply, 'a', "(iiay)") >= 0;
    while (whole && sd_bus_message_enter_container(reply, 'r', "iiay") > 0) {
        std::int32_t width = 0, height = 0;
        const void* pixels = nullptr;
        std::size_t bytes = 0;
        sd_bus_message_read(reply, "ii", &width, &height);
        sd_bus_message_read_array(reply, 'y', &pixels, &bytes);
        // A pixmap whose bytes do not fill its size is no image.
        whole = bytes == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
        sizes += (sizes.empty() ? "" : " ") + std::to_string(width) + "x" + std::to_string(height);
        sd_bus_message_exit_container(reply);
    }
    sd_bus_message_unref(reply);
    return whole ? std::optional<std::string>(sizes) : std::nullopt;
}

std::optional<std::string> Host::toolTipTitle(const std::string& service)
{
    sd_bus_message* reply = nullptr;
    if (!call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get", &reply, "ss", kItemInterface,
              "ToolTip"))
        return std::nullopt;
    std::optional<std::string> title;
    const char* icon = nullptr;
    const char* text = nullptr;
    if (sd_bus_message_enter_container(reply, 'v', "(sa(iiay)ss)") >= 0 &&
        sd_bus_message_enter_container(reply, 'r', "sa(iiay)ss") >= 0 && sd_bus_message_read(reply, "s", &icon) >= 0 &&
        sd_bus_message_skip(reply, "a(iiay)") >= 0 && sd_bus_message_read(reply, "s", &text) >= 0)
        title = text;
    sd_bus_message_unref(reply);
    return title;
}

std::optional<bool> Host::aboutToShow(const std::string& service)
{
    sd_bus_message* reply = nullptr;
    if (!call(service, "/MenuBar", kMenuInterface, "AboutToShow", &reply, "i", 0))
        return std::nullopt;
    int needUpdate = 0;
    const bool read = sd_bus_message_read(reply, "b", &needUpdate) >= 0;
    sd_bus_message_unref(reply);
    return read ? std::optional<bool>(needUpdate != 0) : std::nullopt;
}

std::optional<std::vector<MenuItem>> Host::layout(const std::string& service, unsigned* revision)
{
    sd_bus_message* reply = nullptr;
    if (!call(service, "/MenuBar", kMenuInterface, "GetLayout", &reply, "iias", 0, -1, 0))
        return std::nullopt;
    std::uint32_t read = 0;
    MenuItem root;
    const bool ok = sd_bus_message_read(reply, "u", &read) >= 0 && readLayout(reply, root);
    sd_bus_message_unref(reply);
    if (!ok) {
        error = "the layout does not read as (ia{sv}av)";
        return std::nullopt;
    }
    if (revision != nullptr)
        *revision = read;
    return root.children;
}

bool Host::click(const std::string& service, int id)
{
    sd_bus_message* reply = nullptr;
    const bool sent = call(service, "/MenuBar", kMenuInterface, "Event", &reply, "isvu", id, "clicked", "i", 0,
                           static_cast<std::uint32_t>(std::time(nullptr)));
    sd_bus_message_unref(reply);
    return sent;
}

bool Host::activate(const std::string& service)
{
    sd_bus_message* reply = nullptr;
    const bool sent = call(service, "/StatusNotifierItem", kItemInterface, "Activate", &reply, "ii", 10, 10);
    sd_bus_message_unref(reply);
    return sent;
}

bool Host::contextMenu(const std::string& service, int x, int y)
{
    sd_bus_message* reply = nullptr;
    const bool sent = call(service, "/StatusNotifierItem", kItemInterface, "ContextMenu", &reply, "ii", x, y);
    sd_bus_message_unref(reply);
    return sent;
}

const MenuItem* findItem(const std::vector<MenuItem>& items, const std::string& label)
{
    for (const auto& item : items) {
        if (item.label == label)
            return &item;
        if (const MenuItem* found = findItem(item.children, label))
            return found;
    }
    return nullptr;
}

std::string describe(const std::vector<MenuItem>& items, int indent)
{
    std::string text;
    for (const auto& item : items) {
        text += std::string(static_cast<std::size_t>(indent) * 2, ' ');
        text += item.type == "separator" ? "---" : item.label;
        if (!item.enabled)
            text += " [disabled]";
        if (item.checked)
            text += " [checked]";
        text += "\n" + describe(item.children, indent + 1);
    }
    return text;
}

} // namespace tray_test
