// Windows device-interface lookup of the Tessary's driver interfaces.
#pragma once

#include <windows.h>

#include <setupapi.h>

// The set of present device interfaces of `interfaceClass`, or null when the
// system gives none. The set only serves to open a DriverSession.
HDEVINFO findInterfaces(const GUID& interfaceClass);

// Releases a set from findInterfaces when it is no longer needed.
class DeviceInterfaceSet
{
public:
    explicit DeviceInterfaceSet(HDEVINFO set) : set(set) {}
    ~DeviceInterfaceSet();
    DeviceInterfaceSet(const DeviceInterfaceSet&) = delete;
    DeviceInterfaceSet& operator=(const DeviceInterfaceSet&) = delete;

    HDEVINFO get() const { return set; }

private:
    HDEVINFO set;
};
