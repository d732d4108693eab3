#include "NotifyingDevice.h"

#include "CriticalSectionLock.h"

namespace {

constexpr DWORD kRetryPauseMs = 20;
constexpr DWORD kQuitSignalled = WAIT_OBJECT_0;
constexpr DWORD kNotifySignalled = WAIT_OBJECT_0 + 1;

} // namespace

NotifyingDevice::NotifyingDevice(const InterfaceProfile& profile) : ControlDevice(profile)
{
    quitEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    notifyEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

NotifyingDevice::~NotifyingDevice()
{
    stopNotifications();
    close();
    if (quitEvent != nullptr)
        CloseHandle(quitEvent);
    if (notifyEvent != nullptr)
        CloseHandle(notifyEvent);
}

void NotifyingDevice::setNotifyTarget(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CriticalSectionLock guard(lock);
    targetWindow = window;
    targetMessage = message;
    targetWParam = wParam;
    targetLParam = lParam;
}

StatusCode NotifyingDevice::startNotifications()
{
    CriticalSectionLock guard(lock);
    // A second thread would outlive the one handle the destructor waits for.
    if (thread != nullptr)
        return status::kSuccess;
    if (quitEvent == nullptr || notifyEvent == nullptr)
        return status::kOperationFailed;

    ResetEvent(quitEvent);
    ResetEvent(notifyEvent);
    if (const StatusCode opened = open(); opened != status::kSuccess)
        return opened;
    if (const StatusCode registered = registerNotifyEvent(notifyEvent); registered != status::kSuccess) {
        close();
        return registered;
    }
    thread = CreateThread(nullptr, 0, &NotifyingDevice::notificationThread, this, 0, nullptr);
    if (thread == nullptr) {
        close();
        return status::kOperationFailed;
    }
    return status::kSuccess;
}

bool NotifyingDevice::isStarted() const
{
    return thread != nullptr;
}

void NotifyingDevice::stopNotifications()
{
    // Not under the lock: the thread takes it to post.
    if (thread == nullptr)
        return;
    SetEvent(quitEvent);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
}

DWORD WINAPI NotifyingDevice::notificationThread(LPVOID self)
{
    return static_cast<NotifyingDevice*>(self)->runNotifications();
}

DWORD NotifyingDevice::runNotifications()
{
    const HANDLE events[] = {quitEvent, notifyEvent};
    for (;;) {
        const DWORD signalled = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (signalled == kQuitSignalled)
            return 0;
        if (signalled == kNotifySignalled)
            postNotification();
        else
            Sleep(kRetryPauseMs);
    }
}

void NotifyingDevice::postNotification()
{
    CriticalSectionLock guard(lock);
    if (targetWindow != nullptr)
        PostMessageA(targetWindow, targetMessage, targetWParam, targetLParam);
}
