#include "UnitArrivals.h"

#include <cstring>
#include <map>

namespace {

const char* const windowClassName = "TessaryMixerUnitArrivals";

// The objects by their windows; all on the message thread.
std::map<HWND, UnitArrivals*>& listeners()
{
    static std::map<HWND, UnitArrivals*> all;
    return all;
}

bool registerWindowClass(WNDPROC procedure)
{
    WNDCLASSA windowClass = {};
    if (GetClassInfoA(GetModuleHandleA(nullptr), windowClassName, &windowClass))
        return true;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = windowClassName;
    return RegisterClassA(&windowClass) != 0;
}

// Names shorter than this are no device path (the settings program ignores them too).
constexpr std::size_t shortestDevicePath = 5;

} // namespace

UnitArrivals::UnitArrivals(const GUID& interfaceClass, Handler onChange) : handler(std::move(onChange))
{
    if (!registerWindowClass(windowProcedure))
        return;
    // Never shown: it is there for the broadcasts.
    window =
        CreateWindowExA(0, windowClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr)
        return;
    listeners()[window] = this;

    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = interfaceClass;
    registration = RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

UnitArrivals::~UnitArrivals()
{
    if (registration != nullptr)
        UnregisterDeviceNotification(registration);
    if (window != nullptr) {
        listeners().erase(window);
        DestroyWindow(window);
    }
}

LRESULT CALLBACK UnitArrivals::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE) {
        const auto found = listeners().find(window);
        if (found != listeners().end())
            found->second->deviceChanged(wParam, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void UnitArrivals::deviceChanged(WPARAM event, const DEV_BROADCAST_HDR* broadcast)
{
    if (broadcast == nullptr || broadcast->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return;
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return;
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(broadcast);
    const std::string path = record->dbcc_name;
    if (path.size() < shortestDevicePath)
        return;
    if (handler)
        handler(event == DBT_DEVICEARRIVAL, path);
}
