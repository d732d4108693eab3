// The settings program's control path that forwards driver notifications to a
// window: a thread waits for the driver's notify event and posts the stored
// message. The window then drains the driver's queue with readNotification.
#pragma once

#include "ControlDevice.h"

class NotifyingDevice : public ControlDevice
{
public:
    explicit NotifyingDevice(const InterfaceProfile& profile = programProfile());
    // Signals the quit event and waits for the thread before anything it uses goes away.
    ~NotifyingDevice() override;

    void setNotifyTarget(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Opens the control path, registers the notify event with the driver and
    // starts the thread. 0, the status of the open or registration (the path is
    // then closed), or 0xE0000001 when the thread cannot be started. Once
    // started, a further call returns 0 and starts nothing.
    StatusCode startNotifications();
    bool isStarted() const;
    // Signals the quit event and waits for the thread, so that nothing is
    // posted any more; the control path stays open for readNotification.
    void stopNotifications();

private:
    static DWORD WINAPI notificationThread(LPVOID self);
    DWORD runNotifications();
    void postNotification();

    HWND targetWindow = nullptr;
    UINT targetMessage = 0;
    WPARAM targetWParam = 0;
    LPARAM targetLParam = 0;
    HANDLE thread = nullptr;
    HANDLE quitEvent = nullptr;
    HANDLE notifyEvent = nullptr;
};
