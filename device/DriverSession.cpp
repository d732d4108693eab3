#include "DriverSession.h"

#include <cstdlib>
#include <cstring>

namespace {

// The records' sizes are the system's: SetupAPI refuses any other cbSize, and
// they differ between 32-bit programs (28, 28 and 5) and 64-bit ones (32, 32 and 8).
constexpr DWORD kInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
constexpr DWORD kDeviceInfoSize = sizeof(SP_DEVINFO_DATA);
constexpr DWORD kInterfaceDetailHeaderSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);

constexpr std::uint8_t kSupportedApiMajor = 2;
constexpr std::uint8_t kMinimumApiMinor = 10;

StatusCode lastErrorStatus()
{
    return GetLastError();
}

} // namespace

bool isSupportedApiVersion(const ApiVersionBlock& version)
{
    return version.bytes[0] == kSupportedApiMajor && version.bytes[1] >= kMinimumApiMinor;
}

DriverSession::DriverSession(const InterfaceProfile& profile) : profile(profile)
{
    InitializeCriticalSection(&lock);
}

DriverSession::~DriverSession()
{
    close();
    DeleteCriticalSection(&lock);
    freeInterfaceRecords();
}

void DriverSession::freeInterfaceRecords()
{
    std::free(deviceInfo);
    deviceInfo = nullptr;
    std::free(interfaceDetail);
    interfaceDetail = nullptr;
}

StatusCode DriverSession::lookUpInterface(DWORD memberIndex, HDEVINFO set, const GUID* interfaceClass)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    std::memset(&interfaceData, 0, sizeof interfaceData);
    interfaceData.cbSize = kInterfaceDataSize;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, interfaceClass, memberIndex, &interfaceData)) {
        const DWORD error = GetLastError();
        return error == ERROR_NO_MORE_ITEMS ? status::kNoSuchDeviceInstance : error;
    }

    DWORD requiredSize = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &requiredSize, nullptr);
    // A size that cannot hold the record header and one path character means the
    // query itself failed; allocating it would let the next call write past it.
    if (requiredSize <= kInterfaceDetailHeaderSize) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS && error != ERROR_INSUFFICIENT_BUFFER ? error : ERROR_INVALID_DATA;
    }

    interfaceDetail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::calloc(1, requiredSize));
    deviceInfo = static_cast<SP_DEVINFO_DATA*>(std::calloc(1, kDeviceInfoSize));
    if (interfaceDetail == nullptr || deviceInfo == nullptr)
        return status::kAllocationFailed;
    interfaceDetail->cbSize = kInterfaceDetailHeaderSize;
    deviceInfo->cbSize = kDeviceInfoSize;

    if (!SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, interfaceDetail, requiredSize, nullptr, deviceInfo))
        return lastErrorStatus();
    // The path must end inside the record whatever the system wrote.
    reinterpret_cast<char*>(interfaceDetail)[requiredSize - 1] = '\0';
    return status::kSuccess;
}

StatusCode DriverSession::open(DWORD memberIndex, HDEVINFO set, const GUID* interfaceClass)
{
    if (device != nullptr)
        return status::kOperationRejected;
    if (set == nullptr || interfaceClass == nullptr)
        return status::kInvalidFunctionParameter;

    freeInterfaceRecords();
    if (const StatusCode found = lookUpInterface(memberIndex, set, interfaceClass); found != status::kSuccess)
        return found;

    HANDLE opened =
        CreateFileA(interfaceDetail->DevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return status::kDeviceNotFound;
    device = opened;

    overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        close();
        return status::kOutOfMemory;
    }

    return profile.checksApiVersion ? keepOpenIfApiVersionSupported(*this) : status::kSuccess;
}

void DriverSession::close()
{
    if (device != nullptr) {
        CloseHandle(device);
        device = nullptr;
    }
    if (overlapped.hEvent != nullptr) {
        CloseHandle(overlapped.hEvent);
        overlapped.hEvent = nullptr;
    }
}

StatusCode DriverSession::ioctl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned)
{
    if (device == nullptr)
        return status::kDeviceNotOpen;

    StatusCode result = status::kSuccess;
    DWORD bytes = 0;
    EnterCriticalSection(&lock);
    if (!DeviceIoControl(device, code, in, inSize, out, outSize, &bytes, &overlapped)) {
        result = GetLastError();
        if (result == ERROR_IO_PENDING)
            result = GetOverlappedResult(device, &overlapped, &bytes, TRUE) ? status::kSuccess : GetLastError();
    }
    LeaveCriticalSection(&lock);

    if (bytesReturned != nullptr)
        *bytesReturned = bytes;
    return result;
}

StatusCode DriverSession::sendAvcCommand(AvcRequest& request, AvcResponse& response)
{
    return ioctl(kAvcCommandRequest, &request, sizeof request, &response, sizeof response);
}

StatusCode DriverSession::getApiVersion(ApiVersionBlock& version)
{
    std::memset(&version, 0, sizeof version);
    return ioctl(kApiVersionRequest, nullptr, 0, &version, sizeof version);
}

StatusCode DriverSession::sendAvcFrame(const AvcFrame& frame)
{
    if (frame.overflowed())
        return status::kInvalidFunctionParameter;
    AvcRequest request;
    AvcResponse response;
    buildAvcRequest(frame, request, response);
    return sendAvcCommand(request, response);
}

const char* DriverSession::devicePath() const
{
    return interfaceDetail != nullptr ? interfaceDetail->DevicePath : "";
}
