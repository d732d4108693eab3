#include "ControlDevice.h"

#include "CriticalSectionLock.h"

#include <algorithm>
#include <cstring>
#include <new>

ControlDevice::ControlDevice(const InterfaceProfile& profile) : profile(profile)
{
    InitializeCriticalSection(&lock);
}

ControlDevice::~ControlDevice()
{
    close();
    DeleteCriticalSection(&lock);
}

StatusCode ControlDevice::openHandle()
{
    std::string path;
    try {
        path = controlPath(profile);
    } catch (const std::bad_alloc&) {
        return profile.checksApiVersion ? status::kOutOfMemory : status::kOperationFailed;
    }
    HANDLE opened = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        handle = nullptr;
        return profile.checksApiVersion ? GetLastError() : status::kOperationFailed;
    }
    handle = opened;
    return status::kSuccess;
}

StatusCode ControlDevice::open()
{
    CriticalSectionLock guard(lock, serialised());
    if (handle != nullptr)
        return status::kSuccess;
    if (const StatusCode opened = openHandle(); opened != status::kSuccess)
        return opened;
    return profile.checksApiVersion ? keepOpenIfApiVersionSupported(*this) : status::kSuccess;
}

void ControlDevice::close()
{
    CriticalSectionLock guard(lock, serialised());
    if (handle != nullptr) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

StatusCode ControlDevice::ioctl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned)
{
    CriticalSectionLock guard(lock, serialised());
    if (handle == nullptr)
        return profile.controlNotOpen;
    DWORD bytes = 0;
    const StatusCode result =
        DeviceIoControl(handle, code, in, inSize, out, outSize, &bytes, nullptr) ? status::kSuccess : GetLastError();
    if (bytesReturned != nullptr)
        *bytesReturned = bytes;
    return result;
}

StatusCode ControlDevice::readNodes()
{
    CriticalSectionLock guard(lock, serialised());
    nodeRecords.clear();

    std::memset(&directory, 0, sizeof directory);
    if (const StatusCode result = ioctl(profile.nodeDirectoryRequest, nullptr, 0, &directory, sizeof directory);
        result != status::kSuccess)
        return result;

    StatusCode firstFailure = status::kSuccess;
    const std::uint32_t count = std::min<std::uint32_t>(directory.count, kMaxNodeIds);
    for (std::uint32_t i = 0; i < count; ++i) {
        NodeRecord record;
        StatusCode result = readNodeRecord(directory.nodeIds[i], record);
        if (result == status::kSuccess && !keepRecord(std::move(record)))
            result = status::kOutOfMemory;
        if (result != status::kSuccess && firstFailure == status::kSuccess)
            firstFailure = result;
    }
    return profile.reportsNodeRecordFailures ? firstFailure : status::kSuccess;
}

std::size_t ControlDevice::nodeCount() const
{
    return nodeRecords.size();
}

StatusCode ControlDevice::getApiVersion(ApiVersionBlock& version)
{
    std::memset(&version, 0, sizeof version);
    return ioctl(kApiVersionRequest, nullptr, 0, &version, sizeof version);
}

StatusCode ControlDevice::registerNotifyEvent(HANDLE event)
{
    // The driver takes the event as a 32-bit handle value, as a 32-bit program passes it.
    auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(event));
    return ioctl(kRegisterNotifyEventRequest, &value, sizeof value, nullptr, 0);
}

StatusCode ControlDevice::readNotification(NotificationBlock& notification, DWORD* bytesRead)
{
    std::memset(&notification, 0, sizeof notification);
    return ioctl(kReadNotificationRequest, nullptr, 0, &notification, sizeof notification, bytesRead);
}

StatusCode ControlDevice::readNodeDirectory(NodeDirectoryBlock& block)
{
    std::memset(&block, 0, sizeof block);
    return ioctl(profile.nodeDirectoryRequest, nullptr, 0, &block, sizeof block);
}

bool ControlDevice::keepRecord(NodeRecord&& record)
{
    try {
        nodeRecords.push_back(std::move(record));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

StatusCode ControlDevice::readNodeRecord(std::uint32_t nodeId, NodeRecord& record)
{
    try {
        record.assign(profile.nodeRecordSize, 0);
    } catch (const std::bad_alloc&) {
        return status::kOutOfMemory;
    }
    return ioctl(profile.nodeRecordRequest, &nodeId, sizeof nodeId, record.data(), profile.nodeRecordSize);
}

StatusCode ControlDevice::readCpuBlock(CpuBlock& block)
{
    std::memset(&block, 0, sizeof block);
    return ioctl(kReadCpuBlockRequest, nullptr, 0, &block, sizeof block);
}

StatusCode ControlDevice::writeCpuBlock(const CpuBlock& block)
{
    CpuBlock copy = block;
    return ioctl(kWriteCpuBlockRequest, &copy, sizeof copy, nullptr, 0);
}

StatusCode ControlDevice::readBufferBlock(BufferBlock& block)
{
    std::memset(&block, 0, sizeof block);
    return ioctl(kReadBufferBlockRequest, nullptr, 0, &block, sizeof block);
}

StatusCode ControlDevice::writeBufferBlock(const BufferBlock& block)
{
    BufferBlock copy = block;
    return ioctl(kWriteBufferBlockRequest, &copy, sizeof copy, nullptr, 0);
}

StatusCode ControlDevice::readClockBlock(ClockBlock& block)
{
    std::memset(&block, 0, sizeof block);
    return ioctl(kReadClockBlockRequest, nullptr, 0, &block, sizeof block);
}

StatusCode ControlDevice::writeSampleRate(std::uint32_t rateHz)
{
    SampleRateBlock block = {0, rateHz};
    return ioctl(kWriteSampleRateRequest, &block, sizeof block, nullptr, 0);
}

StatusCode ControlDevice::applyStep1()
{
    return ioctl(kApplyStep1Request, nullptr, 0, nullptr, 0);
}

StatusCode ControlDevice::applyStep2()
{
    return ioctl(kApplyStep2Request, nullptr, 0, nullptr, 0);
}
