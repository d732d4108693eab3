// Registers a root-enumerated device with an interface of each class GUID
// given, through the public SetupAPI calls, and enables the interfaces as a
// driver does when its device starts (IoSetDeviceInterfaceState sets the
// interface's Control\Linked value); only there is no driver behind them, so
// the programs find the interfaces and fail to open them.
//   RegisterTestDevice {GUID} [{GUID}...]
// Prints each interface's device path; exit status 0 when every one is present.
#include <windows.h>

#include <setupapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool parseGuid(const char* text, GUID& guid)
{
    unsigned long data1 = 0;
    unsigned int data2 = 0, data3 = 0, bytes[8] = {};
    if (std::sscanf(text, "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &data1, &data2, &data3, &bytes[0], &bytes[1],
                    &bytes[2], &bytes[3], &bytes[4], &bytes[5], &bytes[6], &bytes[7]) != 11)
        return false;
    guid.Data1 = data1;
    guid.Data2 = static_cast<unsigned short>(data2);
    guid.Data3 = static_cast<unsigned short>(data3);
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<unsigned char>(bytes[i]);
    return true;
}

// The device path of the first interface of `guid` (present ones only, with
// `presentOnly`), or empty.
std::string interfacePath(const GUID& guid, bool presentOnly)
{
    const DWORD flags = DIGCF_DEVICEINTERFACE | (presentOnly ? DIGCF_PRESENT : 0);
    HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, flags);
    if (set == INVALID_HANDLE_VALUE)
        return {};
    std::string path;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    if (SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data)) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr);
        std::vector<char> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (size > 0 && SetupDiGetDeviceInterfaceDetailA(set, &data, detail, size, nullptr, nullptr))
            path = detail->DevicePath;
    }
    SetupDiDestroyDeviceInfoList(set);
    return path;
}

std::string guidText(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

// What the driver does for an interface when its device starts.
bool enableInterface(const GUID& guid, const std::string& devicePath)
{
    if (devicePath.compare(0, 4, "\\\\?\\") != 0)
        return false;
    const std::string key = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\" + guidText(guid) + "\\##?#" +
                            devicePath.substr(4) + "\\#\\Control";
    HKEY control = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &control, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD linked = 1;
    const bool set = RegSetValueExA(control, "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked),
                                    sizeof linked) == ERROR_SUCCESS;
    RegCloseKey(control);
    return set;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: RegisterTestDevice {GUID} [{GUID}...]\n");
        return 2;
    }
    std::vector<GUID> classes;
    for (int i = 1; i < argc; ++i) {
        GUID guid = {};
        if (!parseGuid(argv[i], guid)) {
            std::fprintf(stderr, "RegisterTestDevice: not a GUID: %s\n", argv[i]);
            return 2;
        }
        classes.push_back(guid);
    }
    // A device of the media class, as the unit's own is.
    static const GUID kMediaClass = {0x4d36e96c, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kMediaClass, nullptr);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    static const char kHardwareIds[] = "Root\\TessaryTest\0";
    if (set == INVALID_HANDLE_VALUE ||
        !SetupDiCreateDeviceInfoA(set, "TessaryTest", &kMediaClass, "Tessary test device", nullptr, DICD_GENERATE_ID,
                                  &device) ||
        !SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(kHardwareIds),
                                           sizeof kHardwareIds) ||
        !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
        std::fprintf(stderr, "RegisterTestDevice: the device could not be registered (error %lu)\n", GetLastError());
        return 1;
    }
    for (const GUID& guid : classes) {
        SP_DEVICE_INTERFACE_DATA data = {};
        data.cbSize = sizeof data;
        if (!SetupDiCreateDeviceInterfaceA(set, &device, &guid, nullptr, 0, &data)) {
            std::fprintf(stderr, "RegisterTestDevice: no interface (error %lu)\n", GetLastError());
            return 1;
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    int status = 0;
    for (const GUID& guid : classes) {
        if (!enableInterface(guid, interfacePath(guid, false))) {
            std::fprintf(stderr, "RegisterTestDevice: the interface could not be enabled\n");
            return 1;
        }
        const std::string path = interfacePath(guid, true);
        std::printf("%s\n", path.empty() ? "(not present)" : path.c_str());
        if (path.empty())
            status = 1;
    }
    return status;
}
