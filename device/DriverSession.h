// A handle on one Tessary device-interface instance, opened for overlapped I/O.
// Carries AV/C frames to the unit. At most one request is in flight per
// session: each call waits for its completion under the session's lock.
#pragma once

#include "AvcRequest.h"
#include "InterfaceProfile.h"
#include "StatusCode.h"

#include <windows.h>

#include <setupapi.h>

class AvcFrame;

constexpr DWORD kAvcCommandRequest = 0x80883004;
constexpr DWORD kApiVersionRequest = 0x80882804;

// Output of the API version request: byte 0 major, byte 1 minor.
struct ApiVersionBlock
{
    std::uint8_t bytes[12];
};
static_assert(sizeof(ApiVersionBlock) == 12, "driver buffer layout");

// Whether the driver's API is one the settings program works with (2.10 or later within 2).
bool isSupportedApiVersion(const ApiVersionBlock& version);

// Asks the driver for its API version through a freshly opened `device` (a
// session or the control path) and closes the device again unless the
// request succeeds and the version is supported.
template <typename Device> StatusCode keepOpenIfApiVersionSupported(Device& device)
{
    ApiVersionBlock version;
    if (const StatusCode result = device.getApiVersion(version); result != status::kSuccess) {
        device.close();
        return result;
    }
    if (!isSupportedApiVersion(version)) {
        device.close();
        return status::kDriverApiVersionRefused;
    }
    return status::kSuccess;
}

class DriverSession
{
public:
    explicit DriverSession(const InterfaceProfile& profile = programProfile());
    virtual ~DriverSession();

    // Opens member `memberIndex` of `set` (0 the first Tessary the system
    // reports). 0xE0000030 when already open, 0xE0008008 for a null set or
    // GUID, 0xE0008010 when there is no such member, 0xE0008001 when the
    // device path cannot be opened; with API version check, 0xE0000014 when the
    // driver is older than 2.10.
    StatusCode open(DWORD memberIndex, HDEVINFO set, const GUID* interfaceClass);
    void close();
    bool isOpen() const { return device != nullptr; }

    // One request, complete on return. 0xE0008002 when the session is closed
    // (nothing reaches the driver). `bytesReturned`, when given, receives the
    // driver's byte count also on failure.
    StatusCode ioctl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned = nullptr);

    StatusCode sendAvcCommand(AvcRequest& request, AvcResponse& response);
    StatusCode getApiVersion(ApiVersionBlock& version);

    // Builds the request for `frame` and sends it; the response is not examined.
    StatusCode sendAvcFrame(const AvcFrame& frame);

    // The device path that was opened (empty before the first open).
    const char* devicePath() const;

    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

private:
    StatusCode lookUpInterface(DWORD memberIndex, HDEVINFO set, const GUID* interfaceClass);
    void freeInterfaceRecords();

    const InterfaceProfile& profile;
    HANDLE device = nullptr;
    OVERLAPPED overlapped = {};
    CRITICAL_SECTION lock = {};
    SP_DEVINFO_DATA* deviceInfo = nullptr;
    SP_DEVICE_INTERFACE_DETAIL_DATA_A* interfaceDetail = nullptr;
};
