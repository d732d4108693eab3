// The driver's device-interface arrivals and removals of one interface class,
// as Windows broadcasts them: a window of its own that no one sees receives
// WM_DEVICECHANGE for the class and hands each arrival or removal on, with the
// interface's device path, on the message thread.
#pragma once

#include <windows.h>

#include <dbt.h>

#include <functional>
#include <string>

class UnitArrivals
{
public:
    using Handler = std::function<void(bool arrived, const std::string& devicePath)>;

    UnitArrivals(const GUID& interfaceClass, Handler handler);
    ~UnitArrivals();

    // False when the broadcasts could not be registered for (nothing is then heard).
    bool isListening() const { return registration != nullptr; }

    UnitArrivals(const UnitArrivals&) = delete;
    UnitArrivals& operator=(const UnitArrivals&) = delete;

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void deviceChanged(WPARAM event, const DEV_BROADCAST_HDR* broadcast);

    Handler handler;
    HWND window{nullptr};
    HDEVNOTIFY registration{nullptr};
};
