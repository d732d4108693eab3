/* tessarysim-setup.exe: installs and removes the simulated driver's kernel half
 * as a root-enumerated device.
 *   install INF_PATH   creates the device (or reuses the one there is) and
 *                      installs tessarysim.sys on it from the INF
 *   remove             removes the device(s) and stops the driver's service,
 *                      so that the driver unloads
 *   wait [SECONDS]     waits (default 30 s) until the host's device opens
 * Exit status: 0 done, 1 failed, 2 wrong usage. */
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../HostProtocol.h"

#define HARDWARE_ID "Root\\TessarySim"

static int Fail(const char* what)
{
    DWORD error = GetLastError();
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text, sizeof(text),
                   NULL);
    text[strcspn(text, "\r\n")] = 0;
    fprintf(stderr, "tessarysim-setup: %s failed: error %lu (0x%08lX) %s\n", what, error, error, text);
    return 1;
}

/* Whether the device's hardware ids hold ours. */
static BOOL IsOurs(HDEVINFO set, SP_DEVINFO_DATA* device)
{
    char ids[1024];
    const char* id;
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID, &type, (BYTE*)ids, sizeof(ids) - 2, NULL))
        return FALSE;
    ids[sizeof(ids) - 2] = ids[sizeof(ids) - 1] = 0;
    for (id = ids; *id; id += strlen(id) + 1) {
        if (_stricmp(id, HARDWARE_ID) == 0)
            return TRUE;
    }
    return FALSE;
}

/* Calls fn on each of our devices (present or not) until it returns FALSE;
 * returns how many it was called on, or -1 when the devices cannot be listed. */
static int ForEachDevice(BOOL (*fn)(HDEVINFO, SP_DEVINFO_DATA*))
{
    HDEVINFO set = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA device;
    DWORD i;
    int count = 0;
    if (set == INVALID_HANDLE_VALUE)
        return -1;
    device.cbSize = sizeof(device);
    for (i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        if (!IsOurs(set, &device))
            continue;
        ++count;
        if (!fn(set, &device))
            break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return count;
}

static BOOL Stop(HDEVINFO set, SP_DEVINFO_DATA* device)
{
    (void)set;
    (void)device;
    return FALSE;
}

static BOOL removeFailed;

static BOOL Remove(HDEVINFO set, SP_DEVINFO_DATA* device)
{
    if (!SetupDiCallClassInstaller(DIF_REMOVE, set, device)) {
        Fail("removing the device (DIF_REMOVE)");
        removeFailed = TRUE;
    }
    return TRUE;
}

/* Stops the driver's service, which stays loaded when its device goes, and
 * waits up to 10 s for it to stop. */
static int StopService(void)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service;
    SERVICE_STATUS status;
    int waited;
    if (!manager)
        return Fail("opening the service manager");
    service = OpenServiceA(manager, "tessarysim", SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) {
        CloseServiceHandle(manager);
        return 0; /* never installed */
    }
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
        Fail("stopping the driver's service");
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        return 1;
    }
    for (waited = 0; waited < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED;
         ++waited)
        Sleep(100);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (status.dwCurrentState != SERVICE_STOPPED) {
        fprintf(stderr, "tessarysim-setup: the driver's service did not stop\n");
        return 1;
    }
    return 0;
}

/* Starts the driver's service when the installation has not: Wine (8.0) starts
 * it only when it was there before. The driver then finds its device. */
static int StartDriverService(void)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service;
    int result = 0;
    if (!manager)
        return Fail("opening the service manager");
    service = OpenServiceA(manager, "tessarysim", SERVICE_START);
    if (!service) {
        result = Fail("opening the driver's service");
    } else {
        /* The installation may still hold the service database for a while. */
        int tries = 0;
        while (!StartServiceA(service, 0, NULL) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
            if (GetLastError() != ERROR_SERVICE_DATABASE_LOCKED || ++tries == 100) {
                result = Fail("starting the driver's service");
                break;
            }
            Sleep(100);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

static int CreateDevice(const char* infPath)
{
    GUID classGuid;
    char className[64];
    static const char hardwareIds[] = HARDWARE_ID "\0";
    SP_DEVINFO_DATA device;
    HDEVINFO set;

    if (!SetupDiGetINFClassA(infPath, &classGuid, className, sizeof(className), NULL))
        return Fail("reading the INF's class");
    set = SetupDiCreateDeviceInfoList(&classGuid, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
    device.cbSize = sizeof(device);
    if (!SetupDiCreateDeviceInfoA(set, className, &classGuid, NULL, NULL, DICD_GENERATE_ID, &device)) {
        Fail("creating the device");
        SetupDiDestroyDeviceInfoList(set);
        return 1;
    }
    if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, (const BYTE*)hardwareIds,
                                           sizeof(hardwareIds)) ||
        !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
        Fail("registering the device");
        SetupDiDestroyDeviceInfoList(set);
        return 1;
    }
    SetupDiDestroyDeviceInfoList(set);
    return 0;
}

/* Puts the driver next to the INF into the system's drivers directory: the
 * INF's copy leaves a driver that is there already, and a rebuilt one must
 * replace it. Only while no device has the driver loaded. */
static int CopyDriver(const char* infPath)
{
    char source[MAX_PATH], target[MAX_PATH];
    char* name;
    strcpy(source, infPath);
    name = strrchr(source, '\\');
    if (!name || strlen(source) + 16 >= sizeof(source))
        return 0;
    strcpy(name + 1, "tessarysim.sys");
    if (GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (!GetSystemDirectoryA(target, sizeof(target) - 32))
        return Fail("finding the system directory");
    strcat(target, "\\drivers\\tessarysim.sys");
    if (!CopyFileA(source, target, FALSE))
        return Fail("copying the driver");
    return 0;
}

static int Install(const char* inf)
{
    char infPath[MAX_PATH];
    BOOL reboot = FALSE;
    int existing;

    if (!GetFullPathNameA(inf, sizeof(infPath), infPath, NULL) ||
        GetFileAttributesA(infPath) == INVALID_FILE_ATTRIBUTES)
        return Fail(inf);
    existing = ForEachDevice(Stop);
    if (existing < 0)
        return Fail("listing the devices");
    if (existing == 0 && (StopService() != 0 || CopyDriver(infPath) != 0 || CreateDevice(infPath) != 0))
        return 1;
    if (!UpdateDriverForPlugAndPlayDevicesA(NULL, HARDWARE_ID, infPath, INSTALLFLAG_FORCE, &reboot))
        return Fail("installing the driver (UpdateDriverForPlugAndPlayDevices)");
    if (StartDriverService() != 0)
        return 1;
    printf("tessarysim-setup: installed %s on %s%s\n", infPath, existing ? "the existing device " : "a new device ",
           HARDWARE_ID);
    return 0;
}

static int RemoveAll(void)
{
    int count = ForEachDevice(Remove);
    if (count < 0)
        return Fail("listing the devices");
    if (removeFailed || StopService() != 0)
        return 1;
    printf("tessarysim-setup: removed %d device(s)\n", count);
    return 0;
}

static int Wait(int seconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE host = CreateFileA(SIMHOST_USER_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (host != INVALID_HANDLE_VALUE) {
            CloseHandle(host);
            return 0;
        }
        if (GetTickCount() - start >= (DWORD)seconds * 1000u) {
            fprintf(stderr, "tessarysim-setup: %s did not open within %d s\n", SIMHOST_USER_PATH, seconds);
            return Fail("opening the host device");
        }
        Sleep(100);
    }
}

static int Usage(void)
{
    fprintf(stderr, "usage: tessarysim-setup install INF_PATH | remove | wait [SECONDS]\n");
    return 2;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "install") == 0)
        return Install(argv[2]);
    if (argc == 2 && strcmp(argv[1], "remove") == 0)
        return RemoveAll();
    if ((argc == 2 || argc == 3) && strcmp(argv[1], "wait") == 0) {
        int seconds = argc == 3 ? atoi(argv[2]) : 30;
        return seconds > 0 ? Wait(seconds) : Usage();
    }
    return Usage();
}
