// RegisterDeviceNotificationA: the driver's interface changes, turned into
// WM_DEVICECHANGE for the windows registered for their class.
#include <dbt.h>
#include <win32/DriverBackend.h>
#include <win32/StandIn.h>

#include <juce_events/juce_events.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct Registration
{
    HWND window = nullptr;
    GUID interfaceClass{};
};

// The registrations, and the watch on the driver that feeds them. The watch
// is made on the backend installed at the first registration after any other.
struct Broadcasts
{
    std::mutex mutex;
    std::map<std::uintptr_t, Registration> registrations;
    std::uintptr_t nextHandle = 0x30004;
    std::weak_ptr<win32::DriverBackend> watched;
    std::uint64_t watchId = 0;
};

Broadcasts& broadcasts()
{
    static Broadcasts* state = new Broadcasts; // the driver may call back at process exit
    return *state;
}

// The record Windows would build: the fixed part, then the path and its zero.
std::vector<std::uint8_t> recordOf(const win32::InterfaceChange& change)
{
    const std::size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + change.path.size() + 1;
    std::vector<std::uint8_t> bytes(std::max(size, sizeof(DEV_BROADCAST_DEVICEINTERFACE_A)), 0);
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    record->dbcc_size = static_cast<DWORD>(size);
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record->dbcc_classguid = change.interfaceClass;
    std::memcpy(record->dbcc_name, change.path.c_str(), change.path.size() + 1);
    return bytes;
}

// On the message thread: every window registered for the class, with the record alive meanwhile.
void deliver(const win32::InterfaceChange& change)
{
    std::vector<HWND> windows;
    {
        // A registration lives as long as its window.
        std::lock_guard<std::mutex> guard(broadcasts().mutex);
        auto& registrations = broadcasts().registrations;
        for (auto it = registrations.begin(); it != registrations.end();) {
            if (!IsWindow(it->second.window)) {
                it = registrations.erase(it);
                continue;
            }
            if (it->second.interfaceClass == change.interfaceClass)
                windows.push_back(it->second.window);
            ++it;
        }
    }
    auto record = recordOf(change);
    const WPARAM event = change.arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
    for (HWND window : windows)
        if (IsWindow(window))
            SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record.data()));
}

void watchInstalledBackend()
{
    auto backend = win32::driverBackend();
    auto& state = broadcasts();
    if (state.watched.lock() == backend && state.watchId != 0)
        return;
    if (auto previous = state.watched.lock(); previous && state.watchId != 0)
        previous->unwatchInterfaces(state.watchId);
    state.watched = backend;
    state.watchId = backend->watchInterfaces(
        [](const win32::InterfaceChange& change) { juce::MessageManager::callAsync([change] { deliver(change); }); });
}

} // namespace

HDEVNOTIFY WINAPI RegisterDeviceNotificationA(HANDLE hRecipient, LPVOID NotificationFilter, DWORD Flags)
{
    const HWND window = static_cast<HWND>(hRecipient);
    const auto* filter = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(NotificationFilter);
    if (Flags != DEVICE_NOTIFY_WINDOW_HANDLE || !IsWindow(window) || filter == nullptr ||
        filter->dbcc_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) ||
        filter->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::uintptr_t handle = 0;
    {
        std::lock_guard<std::mutex> guard(broadcasts().mutex);
        handle = broadcasts().nextHandle;
        broadcasts().nextHandle += 4;
        broadcasts().registrations[handle] = Registration{window, filter->dbcc_classguid};
    }
    watchInstalledBackend();
    return reinterpret_cast<HDEVNOTIFY>(handle);
}

BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle)
{
    std::lock_guard<std::mutex> guard(broadcasts().mutex);
    return broadcasts().registrations.erase(reinterpret_cast<std::uintptr_t>(Handle)) != 0 ? TRUE : FALSE;
}
