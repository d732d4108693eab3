// Device-interface enumeration over the installed driver backend. A device
// information set is a snapshot of the interface paths taken when it is made.
#include "KernelObjects.h"

#include <setupapi.h>
#include <win32/StandIn.h>

#include <cstring>

using namespace win32::detail;

namespace {

constexpr DWORD kInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
constexpr DWORD kDevInfoDataSize = sizeof(SP_DEVINFO_DATA);
constexpr DWORD kDetailDataSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
constexpr DWORD kDevicePathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);

// The interface data's Reserved field names the member it describes (index + 1).
const std::string* interfacePathOf(const DeviceInfoSet& set, const SP_DEVICE_INTERFACE_DATA& data)
{
    if (data.Reserved == 0 || data.Reserved > set.paths.size())
        return nullptr;
    return &set.paths[data.Reserved - 1];
}

} // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, LPCSTR, HWND, DWORD Flags)
{
    if (ClassGuid == nullptr && (Flags & DIGCF_ALLCLASSES) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> paths;
    GUID interfaceClass{};
    if (ClassGuid != nullptr && (Flags & DIGCF_DEVICEINTERFACE) != 0) {
        interfaceClass = *ClassGuid;
        paths = win32::driverBackend()->interfacePaths(interfaceClass);
    }
    HANDLE handle = HandleTable::instance().insert(std::make_shared<DeviceInfoSet>(interfaceClass, std::move(paths)));
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA, const GUID* InterfaceClassGuid,
                                        DWORD MemberIndex, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData)
{
    auto set = HandleTable::instance().lookupAs<win32::detail::DeviceInfoSet>(DeviceInfoSet);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (DeviceInterfaceData == nullptr || InterfaceClassGuid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (DeviceInterfaceData->cbSize != kInterfaceDataSize) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (*InterfaceClassGuid != set->interfaceClass || MemberIndex >= set->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    DeviceInterfaceData->InterfaceClassGuid = set->interfaceClass;
    DeviceInterfaceData->Flags = SPINT_ACTIVE;
    DeviceInterfaceData->Reserved = MemberIndex + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
                                             DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                             PSP_DEVINFO_DATA DeviceInfoData)
{
    auto set = HandleTable::instance().lookupAs<win32::detail::DeviceInfoSet>(DeviceInfoSet);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (DeviceInterfaceData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (DeviceInterfaceData->cbSize != kInterfaceDataSize) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    const std::string* path = interfacePathOf(*set, *DeviceInterfaceData);
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((DeviceInterfaceDetailData == nullptr && DeviceInterfaceDetailDataSize != 0) ||
        (DeviceInterfaceDetailData != nullptr && DeviceInterfaceDetailDataSize < kDetailDataSize)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (DeviceInfoData != nullptr && DeviceInfoData->cbSize != kDevInfoDataSize) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    const DWORD required = kDevicePathOffset + static_cast<DWORD>(path->size()) + 1;
    if (RequiredSize)
        *RequiredSize = required;
    if (DeviceInterfaceDetailData == nullptr) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (DeviceInterfaceDetailData->cbSize != kDetailDataSize) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (DeviceInterfaceDetailDataSize < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(DeviceInterfaceDetailData->DevicePath, path->c_str(), path->size() + 1);
    if (DeviceInfoData != nullptr) {
        DeviceInfoData->ClassGuid = set->interfaceClass;
        DeviceInfoData->DevInst = DeviceInterfaceData->Reserved;
        DeviceInfoData->Reserved = 0;
    }
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet)
{
    if (!HandleTable::instance().lookupAs<win32::detail::DeviceInfoSet>(DeviceInfoSet) ||
        !HandleTable::instance().remove(DeviceInfoSet)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
