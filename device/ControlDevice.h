// A handle on the driver's control path, opened by name for plain I/O. The
// mixer only reads the node directory through it; the settings program also
// reads and writes the driver's clock, buffer and CPU settings and registers
// for notifications. In the settings program every operation runs under the
// object's (re-entrant) lock and opening checks the driver's API version.
#pragma once

#include "ControlBlocks.h"
#include "DriverSession.h"
#include "InterfaceProfile.h"
#include "StatusCode.h"

#include <windows.h>

#include <memory>
#include <vector>

constexpr DWORD kRegisterNotifyEventRequest = 0x80882820;
constexpr DWORD kReadNotificationRequest = 0x80882828;
constexpr DWORD kReadCpuBlockRequest = 0x80882A80;
constexpr DWORD kWriteCpuBlockRequest = 0x80882A84;
constexpr DWORD kReadBufferBlockRequest = 0x80882A88;
constexpr DWORD kWriteBufferBlockRequest = 0x80882A8C;
constexpr DWORD kReadClockBlockRequest = 0x808828C0;
constexpr DWORD kWriteSampleRateRequest = 0x808828C4;
constexpr DWORD kApplyStep1Request = 0x80882A04;
constexpr DWORD kApplyStep2Request = 0x80882A00;

// One node record, kept opaque; its size is the profile's.
using NodeRecord = std::vector<std::uint8_t>;

class ControlDevice
{
public:
    explicit ControlDevice(const InterfaceProfile& profile = programProfile());
    virtual ~ControlDevice();

    // 0 when open (also when it already was). Mixer: 0xE0000001 when the path
    // cannot be opened. Settings: the Win32 error of the open, or 0xE0000014
    // when the driver's API is older than 2.10 (the handle is then closed).
    StatusCode open();
    void close();
    bool isOpen() const { return handle != nullptr; }

    // One synchronous request. Without handle: 0xE0000001 (mixer) or 0xE0000013 (settings).
    StatusCode ioctl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned = nullptr);

    // Re-reads the node directory and one record per node (at most 64). Records
    // that fail are skipped. Mixer: 0 unless the directory read fails. Settings:
    // the status of the first failed record request, or 0.
    StatusCode readNodes();
    std::size_t nodeCount() const;
    const NodeDirectoryBlock& nodeDirectory() const { return directory; }

    StatusCode getApiVersion(ApiVersionBlock& version);
    StatusCode registerNotifyEvent(HANDLE event);
    // The block is zeroed first; `bytesRead` (when given) receives what the driver filled in.
    StatusCode readNotification(NotificationBlock& notification, DWORD* bytesRead = nullptr);
    StatusCode readNodeDirectory(NodeDirectoryBlock& block);
    StatusCode readNodeRecord(std::uint32_t nodeId, NodeRecord& record);
    StatusCode readCpuBlock(CpuBlock& block);
    StatusCode writeCpuBlock(const CpuBlock& block);
    StatusCode readBufferBlock(BufferBlock& block);
    StatusCode writeBufferBlock(const BufferBlock& block);
    StatusCode readClockBlock(ClockBlock& block);
    StatusCode writeSampleRate(std::uint32_t rateHz);
    StatusCode applyStep1();
    StatusCode applyStep2();

    ControlDevice(const ControlDevice&) = delete;
    ControlDevice& operator=(const ControlDevice&) = delete;

protected:
    const InterfaceProfile& profile;
    CRITICAL_SECTION lock = {};

    bool serialised() const { return profile.locksControlPath; }

private:
    StatusCode openHandle();
    bool keepRecord(NodeRecord&& record);

    HANDLE handle = nullptr;
    std::vector<NodeRecord> nodeRecords;
    NodeDirectoryBlock directory = {};
};
