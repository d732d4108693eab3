/* The simulated driver's kernel half (tessarysim.sys) under Wine, with a small
 * host of its own on a thread: requests of a program reach the host in order
 * and come back with its answer (bytes and errors), cancel, fail when the host
 * goes, and the host's unit interfaces appear and go. Prints each check; exit
 * status 0 when all passed. */
#include <windows.h>
#include <setupapi.h>
#include <dbt.h>
#include <stdio.h>
#include <string.h>

#include "../../platform/simdriver/windows/HostProtocol.h"

static const GUID mixerClass = {0x006902CB, 0xE626, 0x45B4, {0x8A, 0x62, 0x2E, 0xAA, 0xD6, 0x3F, 0x8D, 0x12}};
static const GUID settingsClass = {0x34F6CC0C, 0xBE3A, 0x4F6E, {0xBE, 0x12, 0x47, 0xE5, 0x8C, 0x84, 0xB0, 0x8D}};

/* What the test's host does with a unit's I/O control request, by function. */
enum {
    ECHO = 0x800,      /* answers the input as output */
    FAIL_WITH = 0x801, /* answers with the error in the input's first 4 bytes */
    HOLD = 0x802,      /* never answers */
    PLUG = 0x803,      /* input unit, enabled: sets the unit's interfaces */
    DESCRIBE = 0x805,  /* answers the request's header */
    GO_AWAY = 0x806    /* closes the serving handle without answering */
};
#define FUNCTION(code) (((code) >> 2) & 0xFFFu)

static int failures;
static void Check(int ok, const char* what, unsigned long value)
{
    printf("%s: %s (%lu)\n", ok ? "ok" : "FAIL", what, value);
    failures += !ok;
}

static HANDLE host;
static unsigned lastId;
static unsigned long long refusedFile; /* its create was refused: so are its requests */
static int outOfOrder;

static BOOL Control(HANDLE file, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* got)
{
    DWORD bytes = 0;
    BOOL ok = DeviceIoControl(file, code, (void*)in, inSize, out, outSize, &bytes, NULL);
    if (got)
        *got = bytes;
    return ok;
}

/* An overlapped request, waited for: its Win32 error (0 done). */
static OVERLAPPED overlapped;
static DWORD Overlapped(HANDLE file, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* got)
{
    *got = 0;
    if (DeviceIoControl(file, code, (void*)in, inSize, out, outSize, got, &overlapped))
        return 0;
    if (GetLastError() != ERROR_IO_PENDING)
        return GetLastError();
    return GetOverlappedResult(file, &overlapped, got, TRUE) ? 0 : GetLastError();
}

static void Answer(unsigned id, unsigned error, const void* data, unsigned bytes)
{
    static unsigned char buffer[sizeof(SIMHOST_COMPLETION) + SIMHOST_MAX_OUTPUT];
    SIMHOST_COMPLETION completion = {id, error, bytes, 0};
    memcpy(buffer, &completion, sizeof(completion));
    memcpy(buffer + sizeof(completion), data, bytes);
    Control(host, SIMHOST_IOCTL_COMPLETE, buffer, sizeof(completion) + bytes, NULL, 0, NULL);
}

static void Plug(unsigned unit, unsigned enabled)
{
    SIMHOST_INTERFACE_STATE state = {unit, enabled};
    Control(host, SIMHOST_IOCTL_INTERFACE, &state, sizeof(state), NULL, 0, NULL);
}

static DWORD WINAPI Serve(void* unused)
{
    static unsigned char request[SIMHOST_FETCH_SIZE];
    (void)unused;
    for (;;) {
        SIMHOST_REQUEST r;
        const unsigned char* input = request + sizeof(r);
        DWORD got;
        unsigned outputBytes;
        if (!Control(host, SIMHOST_IOCTL_FETCH, NULL, 0, request, sizeof(request), &got))
            return 0;
        memcpy(&r, request, sizeof(r));
        if (r.id != 0) {
            outOfOrder += r.id <= lastId;
            lastId = r.id;
        }
        outputBytes = r.inputSize < r.outputSize ? r.inputSize : r.outputSize;
        if (r.kind == SIMHOST_KIND_CREATE) {
            int refuse = r.target == SIMHOST_TARGET_UNIT && r.unit == 1;
            if (refuse || r.file == refusedFile) /* a file key is used again after its close */
                refusedFile = refuse ? r.file : 0;
            Answer(r.id, refuse ? ERROR_TOO_MANY_OPEN_FILES : 0, NULL, 0);
        } else if (r.kind == SIMHOST_KIND_IOCTL && r.file == refusedFile) {
            Answer(r.id, ERROR_TOO_MANY_OPEN_FILES, NULL, 0);
        } else if (r.kind == SIMHOST_KIND_ADMIN) {
            SIMHOST_ADMIN_REPLY reply = {0, 0, r.code * 100ull + input[0] + input[4]};
            Answer(r.id, 0, &reply, sizeof(reply));
        } else if (r.kind == SIMHOST_KIND_IOCTL) {
            unsigned value = 0, enabled = 0;
            memcpy(&value, input, r.inputSize >= 4 ? 4 : 0);
            memcpy(&enabled, input + 4, r.inputSize >= 8 ? 4 : 0);
            switch (FUNCTION(r.code)) {
            case ECHO:
                Answer(r.id, 0, input, outputBytes);
                break;
            case FAIL_WITH:
                Answer(r.id, value, input, outputBytes);
                break;
            case PLUG:
                Plug(value, enabled);
                Answer(r.id, 0, NULL, 0);
                break;
            case DESCRIBE:
                Answer(r.id, 0, &r, sizeof(r) < r.outputSize ? sizeof(r) : r.outputSize);
                break;
            case GO_AWAY:
                CloseHandle(host);
                return 0;
            }
        }
    }
}

static int Interfaces(const GUID* interfaceClass, char* path, const char* reference)
{
    HDEVINFO set = SetupDiGetClassDevsA(interfaceClass, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    SP_DEVICE_INTERFACE_DATA data;
    int count = 0;
    DWORD i;
    data.cbSize = sizeof(data);
    for (i = 0; SetupDiEnumDeviceInterfaces(set, NULL, interfaceClass, i, &data); ++i, ++count) {
        char buffer[1024];
        SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail = (SP_DEVICE_INTERFACE_DETAIL_DATA_A*)buffer;
        detail->cbSize = sizeof(*detail);
        if (path && SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof(buffer), NULL, NULL) &&
            strstr(detail->DevicePath, reference))
            strcpy(path, detail->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return count;
}

static HANDLE Open(const char* path, DWORD flags)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, flags, NULL);
}

static DWORD Error(BOOL ok)
{
    return ok ? 0 : GetLastError();
}

static int arrivals, removals;
static LRESULT CALLBACK Window(HWND window, UINT message, WPARAM event, LPARAM data)
{
    if (message == WM_DEVICECHANGE && data &&
        ((DEV_BROADCAST_HDR*)data)->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        arrivals += event == DBT_DEVICEARRIVAL;
        removals += event == DBT_DEVICEREMOVECOMPLETE;
        return TRUE;
    }
    return DefWindowProcA(window, message, event, data);
}

static void Pump(int* counter, int want)
{
    DWORD start = GetTickCount();
    MSG message;
    while (*counter < want && GetTickCount() - start < 2000) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
}

int main(void)
{
    /* Win32 errors the host answers with, and what the program's GetLastError shows. */
    static const struct
    {
        unsigned error, seen;
    } errors[] = {{0xE0000110u, 0xE0000110u},
                  {0xE0008001u, 0xE0008001u},
                  {ERROR_INVALID_FUNCTION, ERROR_INVALID_FUNCTION},
                  {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
                  {ERROR_TOO_MANY_OPEN_FILES, ERROR_TOO_MANY_OPEN_FILES},
                  {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
                  {ERROR_INVALID_HANDLE, ERROR_INVALID_HANDLE},
                  {ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
                  {ERROR_INSUFFICIENT_BUFFER, ERROR_INSUFFICIENT_BUFFER},
                  {ERROR_MORE_DATA, ERROR_MORE_DATA},
                  {ERROR_NO_MORE_ITEMS, ERROR_NO_MORE_ITEMS},
                  {ERROR_OPERATION_ABORTED, ERROR_OPERATION_ABORTED},
                  {ERROR_DEVICE_NOT_CONNECTED, ERROR_DEVICE_NOT_CONNECTED},
                  {ERROR_TIMEOUT, ERROR_GEN_FAILURE}};
    char unit0[512] = "", unit1[512] = "";
    unsigned char in[4096], out[4096];
    SIMHOST_REQUEST described;
    HANDLE file, other, refused, thread;
    DWORD got, error, held;
    unsigned i;

    setvbuf(stdout, NULL, _IONBF, 0);
    host = Open(SIMHOST_USER_PATH, 0);
    Check(host != INVALID_HANDLE_VALUE, "the host's device opens", GetLastError());
    other = Open("\\\\.\\{006902CB-E626-45B4-8A62-2EAAD63F8D12}", 0);
    error = Error(Control(other, SIMHOST_CODE(ECHO), "x", 1, out, 1, NULL));
    Check(error == ERROR_FILE_NOT_FOUND, "without a host, the control path's requests fail", error);
    CloseHandle(other);
    error = Error(Control(host, SIMHOST_IOCTL_FETCH, NULL, 0, out, sizeof(out), NULL));
    Check(error == ERROR_INSUFFICIENT_BUFFER, "FETCH into a small buffer is refused", error);
    Check(Control(host, SIMHOST_IOCTL_SERVE, NULL, 0, NULL, 0, NULL), "SERVE", GetLastError());
    other = Open(SIMHOST_USER_PATH, 0);
    error = Error(Control(other, SIMHOST_IOCTL_SERVE, NULL, 0, NULL, 0, NULL));
    Check(error == ERROR_BUSY, "a second SERVE is refused", error);
    Plug(0, 1);
    Plug(1, 1);
    thread = CreateThread(NULL, 0, Serve, NULL, 0, NULL);

    Check(Interfaces(&mixerClass, unit0, "mixer0") == 2, "two mixer interfaces", 0);
    Check(Interfaces(&settingsClass, unit1, "settings1") == 2, "two settings interfaces", 0);
    file = Open(unit0, FILE_FLAG_OVERLAPPED);
    Check(file != INVALID_HANDLE_VALUE, "unit 0's mixer interface opens", GetLastError());
    overlapped.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    error = Overlapped(file, SIMHOST_CODE(DESCRIBE), NULL, 0, &described, sizeof(described), &got);
    Check(!error && got == sizeof(described) && described.target == SIMHOST_TARGET_UNIT && described.unit == 0 &&
              !memcmp(described.interfaceClass, &mixerClass, 16),
          "the host sees unit 0 of the mixer class", described.unit);
    Check(described.processId == GetCurrentProcessId(), "the host sees the program's process", described.processId);

    for (i = 0; i < sizeof(in); ++i)
        in[i] = (unsigned char)(i * 7 + 1);
    error = Overlapped(file, SIMHOST_CODE(ECHO), in, sizeof(in), out, sizeof(out), &got);
    Check(!error && got == sizeof(in) && !memcmp(in, out, sizeof(in)), "4096 bytes go to the host and back", got);
    memset(out, 0, sizeof(out));
    error = Overlapped(file, SIMHOST_CODE(ECHO), in, 100, out, 10, &got);
    Check(!error && got == 10 && out[10] == 0, "the answer is cut to the output buffer", got);
    {
        static unsigned char large[SIMHOST_MAX_INPUT + 1];
        error = Overlapped(file, SIMHOST_CODE(ECHO), large, sizeof(large), NULL, 0, &got);
        Check(error == ERROR_INVALID_PARAMETER, "an input over the limit is refused", error);
    }
    for (i = 0; i < sizeof(errors) / sizeof(errors[0]); ++i) {
        char what[64];
        error = Overlapped(file, SIMHOST_CODE(FAIL_WITH), &errors[i].error, 4, out, 4, &got);
        sprintf(what, "the host's error 0x%X is the program's 0x%X", errors[i].error, errors[i].seen);
        Check(error == errors[i].seen, what, error);
    }

    ResetEvent(overlapped.hEvent);
    error = Error(DeviceIoControl(file, SIMHOST_CODE(HOLD), NULL, 0, NULL, 0, NULL, &overlapped));
    Check(error == ERROR_IO_PENDING && WaitForSingleObject(overlapped.hEvent, 200) == WAIT_TIMEOUT,
          "an unanswered request waits", error);
    CancelIo(file);
    error = error == ERROR_IO_PENDING ? Error(GetOverlappedResult(file, &overlapped, &got, TRUE)) : error;
    Check(error == ERROR_OPERATION_ABORTED, "CancelIo ends it", error);

    refused = Open(unit1, 0);
    error = refused == INVALID_HANDLE_VALUE ? GetLastError()
                                            : Error(Control(refused, SIMHOST_CODE(ECHO), "x", 1, out, 1, NULL));
    Check(error == ERROR_TOO_MANY_OPEN_FILES, "a create the host refuses fails with its error", error);
    CloseHandle(refused);
    {
        SIMHOST_ADMIN admin = {7, 3, 4};
        SIMHOST_ADMIN_REPLY reply = {1, 1, 0};
        Check(Control(other, SIMHOST_IOCTL_ADMIN, &admin, sizeof(admin), &reply, sizeof(reply), &got) &&
                  got == sizeof(reply) && reply.error == 0 && reply.nextSequence == 707,
              "an admin request reaches the host", (unsigned long)reply.nextSequence);
    }

    {
        WNDCLASSA windowClass = {0};
        DEV_BROADCAST_DEVICEINTERFACE_A filter = {sizeof(filter), DBT_DEVTYP_DEVICEINTERFACE, 0, mixerClass, {0}};
        HWND window;
        unsigned plug[2] = {5, 1};
        int tries;
        windowClass.lpfnWndProc = Window;
        windowClass.lpszClassName = "SimDriverKernelTest";
        RegisterClassA(&windowClass);
        window = CreateWindowA("SimDriverKernelTest", "", 0, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
        Check(window != NULL, "a window opens", GetLastError());
        Check(RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE) != NULL,
              "it registers for the mixer class's notifications", GetLastError());
        Pump(&arrivals, 1000); /* 2 s: the registration settles */
        /* Wine may lose the first notification after the registration. */
        for (tries = 0; tries < 3 && !arrivals; ++tries) {
            plug[1] = 1;
            Overlapped(file, SIMHOST_CODE(PLUG), plug, sizeof(plug), NULL, 0, &got);
            Pump(&arrivals, 1);
            if (!arrivals) {
                plug[1] = 0;
                Overlapped(file, SIMHOST_CODE(PLUG), plug, sizeof(plug), NULL, 0, &got);
            }
        }
        Check(arrivals >= 1 && Interfaces(&mixerClass, NULL, NULL) == 3, "plugging unit 5 is announced", tries);
        removals = 0;
        plug[1] = 0;
        Overlapped(file, SIMHOST_CODE(PLUG), plug, sizeof(plug), NULL, 0, &got);
        Pump(&removals, 1);
        Check(removals == 1 && Interfaces(&mixerClass, NULL, NULL) == 2, "unplugging it is announced", removals);
        DestroyWindow(window);
    }

    ResetEvent(overlapped.hEvent);
    held = Error(DeviceIoControl(file, SIMHOST_CODE(HOLD), NULL, 0, NULL, 0, NULL, &overlapped));
    Sleep(100);
    refused = Open(unit0, 0);
    error = Error(Control(refused, SIMHOST_CODE(GO_AWAY), NULL, 0, NULL, 0, NULL));
    CloseHandle(refused);
    Check(error == ERROR_DEVICE_NOT_CONNECTED, "the host going fails the request that made it go", error);
    error = held == ERROR_IO_PENDING ? Error(GetOverlappedResult(file, &overlapped, &got, TRUE)) : held;
    Check(error == ERROR_DEVICE_NOT_CONNECTED, "and the request it held", error);
    WaitForSingleObject(thread, 5000);
    for (i = 0; i < 20 && Interfaces(&mixerClass, NULL, NULL) + Interfaces(&settingsClass, NULL, NULL) > 0; ++i)
        Sleep(100); /* the driver disables them after failing the requests */
    Check(Interfaces(&mixerClass, NULL, NULL) == 0 && Interfaces(&settingsClass, NULL, NULL) == 0,
          "and the interfaces are gone", i);
    Check(outOfOrder == 0, "the host got the requests in order", outOfOrder);
    printf("%d failed\n", failures);
    return failures != 0;
}
