// Stand-in for <dbt.h> and the device notification calls of <winuser.h>: a
// window registered for a device-interface class receives WM_DEVICECHANGE
// with DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE and a
// DEV_BROADCAST_DEVICEINTERFACE_A record (the interface's path as its name)
// whenever the driver reports an interface of that class arriving or going.
// The record lives for the duration of the message.
#pragma once

#include <windef.h>
#include <winuser.h>

#define DBT_DEVICEARRIVAL 0x8000
#define DBT_DEVICEREMOVECOMPLETE 0x8004

#define DBT_DEVTYP_DEVICEINTERFACE 0x00000005

#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000

typedef void* HDEVNOTIFY;

typedef struct _DEV_BROADCAST_HDR
{
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
} DEV_BROADCAST_HDR, *PDEV_BROADCAST_HDR;

typedef struct _DEV_BROADCAST_DEVICEINTERFACE_A
{
    DWORD dbcc_size;
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    char dbcc_name[1]; // as long as dbcc_size says, zero-terminated
} DEV_BROADCAST_DEVICEINTERFACE_A, *PDEV_BROADCAST_DEVICEINTERFACE_A;

static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32, "the record's size is its header's");

// `hRecipient` is a window; `NotificationFilter` a DEV_BROADCAST_DEVICEINTERFACE_A
// naming the class. Null when either is not usable.
HDEVNOTIFY WINAPI RegisterDeviceNotificationA(HANDLE hRecipient, LPVOID NotificationFilter, DWORD Flags);
BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle);
