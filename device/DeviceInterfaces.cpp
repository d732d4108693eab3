#include "DeviceInterfaces.h"

HDEVINFO findInterfaces(const GUID& interfaceClass)
{
    HDEVINFO set = SetupDiGetClassDevsA(&interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return nullptr;
    return set;
}

DeviceInterfaceSet::~DeviceInterfaceSet()
{
    if (set != nullptr)
        SetupDiDestroyDeviceInfoList(set);
}
