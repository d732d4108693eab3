// The simulated Tessary streaming driver with its simulated units. It answers
// the control-path requests and carries AV/C frames to an AV/C audio subunit
// model per unit. Tests use it in-process through win32::ScopedDriverBackend;
// the tessary-simdriver daemon serves the same object on a Unix socket.
#pragma once

#include <win32/DriverBackend.h>

#include <array>
#include <chrono>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// The two device-interface classes every unit offers.
extern const GUID kMixerInterfaceClass;    // {006902CB-E626-45B4-8A62-2EAAD63F8D12}
extern const GUID kSettingsInterfaceClass; // {34F6CC0C-BE3A-4F6E-BE12-47E58C84B08D}

// Audio subunit state of one unit, as the AV/C frames have left it. Control
// values are the 16-bit words of the frames (1/256 dB, 0x8000 = silence).
struct UnitState
{
    std::uint32_t nodeId = 0;
    std::map<int, std::array<std::uint16_t, 3>> volume;  // feature FB id -> audio channel 0..2
    std::map<int, std::array<std::uint16_t, 3>> balance; // feature FB id -> audio channel 0..2
    std::map<int, int> selector;                         // selector FB id -> selected plug
    int clockSourcePlug = 0;                             // SIGNAL SOURCE connection of the unit
};

// One request as the driver received it.
// `text` from a client as the log shows it: control characters and bytes
// that are not UTF-8 escaped as \xHH, printable UTF-8 as it is.
std::string printableText(const std::string& text);

struct LogEntry
{
    // Inputs are kept up to this size: every request of the programs fits.
    static constexpr std::size_t kLoggedInputBytes = 1024;

    std::string program;             // requesting program
    DWORD code = 0;                  // I/O control code (0 for opens, see `what`)
    DWORD status = 0;                // 0 or the status returned
    std::vector<std::uint8_t> input; // the first kLoggedInputBytes bytes of the input
    DWORD inputSize = 0;             // the whole input's size
    DWORD outputSize = 0;
    std::vector<std::uint8_t> frame; // AV/C frame of an AV/C request (its length-field bytes)
    std::string path;                // the path of an open (code 0)
    std::uint64_t sequence = 0;      // position in the driver's log, from 1

    // One line: program, request code, status and, for AV/C requests, the frame as
    // upper-case two-digit hex bytes separated by single spaces.
    std::string line() const;
};

// Request codes of the control path and of the unit interfaces.
namespace request {
constexpr DWORD kAvcCommand = 0x80883004;
constexpr DWORD kApiVersion = 0x80882804;
constexpr DWORD kNodeDirectory = 0x80882040;
constexpr DWORD kNodeRecord = 0x80882044;
constexpr DWORD kNodeDirectoryV2 = 0x80882860;
constexpr DWORD kNodeRecordV2 = 0x80882920;
constexpr DWORD kRegisterNotifyEvent = 0x80882820;
constexpr DWORD kReadNotification = 0x80882828;
constexpr DWORD kReadClockBlock = 0x808828C0;
constexpr DWORD kWriteSampleRate = 0x808828C4;
constexpr DWORD kReadCpuBlock = 0x80882A80;
constexpr DWORD kWriteCpuBlock = 0x80882A84;
constexpr DWORD kReadBufferBlock = 0x80882A88;
constexpr DWORD kWriteBufferBlock = 0x80882A8C;
constexpr DWORD kApplyStep1 = 0x80882A04;
constexpr DWORD kApplyStep2 = 0x80882A00;
} // namespace request

// Driver statuses the simulated driver answers with.
namespace status {
constexpr DWORD kPacketPoolEmpty = 0xE0000110;   // too much output waiting for delayed completions
constexpr DWORD kInvalidParameter = 0xE0000300;  // a value the driver does not accept
constexpr DWORD kInvalidBufferSize = 0xE0000305; // input size other than the request's
constexpr DWORD kOutputTooSmall = 0xE0000320;    // output smaller than the request's block
constexpr DWORD kWrongObject = 0xE0000342;       // control request on a unit or AV/C on the control path
constexpr DWORD kDeviceNotFound = 0xE0008001;    // the file's unit has been unplugged
constexpr DWORD kInvalidFunction = 1;            // ERROR_INVALID_FUNCTION: unknown request code
} // namespace status

// Interface path of a unit, e.g. \\?\1394#tessary&unit0#{006902cb-e626-45b4-8a62-2eaad63f8d12}
std::string unitInterfacePath(unsigned unit, const GUID& interfaceClass);
// Control path: \\.\ and the class GUID in braces (compared case-insensitively).
std::string controlPath(const GUID& interfaceClass);
std::string guidText(const GUID& guid); // upper-case, with braces

class SimDriver : public win32::DriverBackend
{
public:
    // Sets a client's registered event: called with the 4-byte handle the client
    // passed in its registration, outside the driver's lock.
    using EventSignal = std::function<void(std::uint32_t eventHandle)>;

    // The most units the simulated bus carries. Every reply about them (the
    // interface paths, the daemon's status) fits one message with room to spare.
    static constexpr unsigned kMaxUnits = 32;

    explicit SimDriver(unsigned units = 1); // at most kMaxUnits
    ~SimDriver() override;

    // Units (plugging a unit queues a bus-reset style notification for registered
    // clients, and its interfaces of both classes arrive for the interface watches).
    std::optional<unsigned> plug(); // the new unit's index; nothing when kMaxUnits are plugged
    bool unplug();                  // removes the last unit; false when none is left
    unsigned unitCount() const;
    UnitState unit(unsigned index) const;

    // Driver state seen through the control path.
    void setApiVersion(std::uint8_t major, std::uint8_t minor);
    void setNodeDirectory(std::vector<std::uint32_t> nodeIds); // overrides the one the units give
    void failNodeRecord(std::uint32_t nodeId, DWORD status);
    // Queues a notification on every file that has registered its event (each
    // file has a queue of its own) and sets those events.
    void queueNotification(std::uint32_t kind);
    std::uint32_t sampleRate() const;
    std::uint32_t bufferMicroseconds() const;
    std::uint32_t cpuLevel() const;

    // Fault injection, for at most kMaxFaultsPerKind codes of each kind; false
    // when a new code would go beyond that.
    static constexpr std::size_t kMaxFaultsPerKind = 64;
    bool failRequests(DWORD code, DWORD status); // status 0 clears the fault for that code
    // Code 0: every request. While the requests waiting for their completion
    // hold more than kPendingByteBudget of output, further delayed requests
    // fail at once with 0xE0000110 ("Packet pool empty.") and change nothing.
    bool completeAsynchronously(DWORD code, std::chrono::milliseconds delay);
    // Makes every unit answer each AV/C command with `responseCode` (the frame
    // echoed, nothing changed), as a unit refusing everything would; 0 ends it.
    void answerEveryCommandWith(std::uint8_t responseCode);
    std::uint8_t forcedResponse() const; // 0 when the units answer normally
    void clearFaults();

    // What reached the driver: the latest kLogCapacity requests, fewer when
    // their entries hold more than kLogByteBudget.
    static constexpr std::size_t kLogCapacity = 4096;
    static constexpr std::size_t kLogByteBudget = 4 * 1024 * 1024;
    static constexpr std::size_t kPendingByteBudget = 4 * 1024 * 1024;
    std::vector<LogEntry> log() const;
    void clearLog();

    // Name recorded for requests made in this process.
    void setClientName(std::string name);

    // Opens a file for a client in another process (the daemon): its requests
    // are logged under `client`, and its registered events are set through `signal`.
    DWORD openFileFor(const std::string& client, const std::string& path, std::uint64_t& fileId, EventSignal signal);

    // More of the state, for the daemon's status.
    std::pair<std::uint8_t, std::uint8_t> apiVersion() const;
    std::uint32_t streamBufferDepth() const; // microseconds, as configured when a unit last connected
    std::vector<std::uint32_t> nodeDirectory() const;
    std::vector<LogEntry> logFrom(std::uint64_t firstSequence) const;
    std::map<DWORD, DWORD> injectedFailures() const;                      // code -> status
    std::map<DWORD, std::chrono::milliseconds> asynchronousCodes() const; // code (0: all) -> delay

    // win32::DriverBackend
    std::vector<std::string> interfacePaths(const GUID& interfaceClass) override;
    DWORD openFile(const std::string& path, std::uint64_t& fileId) override;
    void closeFile(std::uint64_t fileId) override;
    bool deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         win32::IoResult& result, win32::IoCompletion onComplete) override;
    std::uint64_t watchInterfaces(win32::InterfaceWatch watch) override;
    void unwatchInterfaces(std::uint64_t watchId) override;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace sim
