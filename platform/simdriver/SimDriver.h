// The simulated Tessary streaming driver with its simulated units. It answers
// the control-path requests and carries AV/C frames to an AV/C audio subunit
// model per unit. Tests use it in-process through win32::ScopedDriverBackend;
// the tessary-simdriver daemon serves the same object on a Unix socket.
#pragma once

#include <win32/DriverBackend.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

// The two device-interface classes every unit offers.
extern const GUID kMixerInterfaceClass;    // {006902CB-E626-45B4-8A62-2EAAD63F8D12}
extern const GUID kSettingsInterfaceClass; // {34F6CC0C-BE3A-4F6E-BE12-47E58C84B08D}

// Audio subunit state of one unit, as the AV/C frames have left it. Control
// values are the 16-bit words of the frames (1/256 dB, 0x8000 = silence).
struct UnitState {
    std::uint32_t nodeId = 0;
    std::map<int, std::array<std::uint16_t, 3>> volume;  // feature FB id -> audio channel 0..2
    std::map<int, std::array<std::uint16_t, 3>> balance; // feature FB id -> audio channel 0..2
    std::map<int, int> selector;                         // selector FB id -> selected plug
    int clockSourcePlug = 0;                             // SIGNAL SOURCE connection of the unit
};

// One request as the driver received it.
struct LogEntry {
    std::string program;          // requesting program
    DWORD code = 0;               // I/O control code (0 for opens, see `what`)
    DWORD status = 0;             // 0 or the status returned
    std::vector<std::uint8_t> input;
    DWORD outputSize = 0;
    std::vector<std::uint8_t> frame; // AV/C frame of an AV/C request (its length-field bytes)

    // One line: program, request code, status and, for AV/C requests, the frame as
    // upper-case two-digit hex bytes separated by single spaces.
    std::string line() const;
};

class SimDriver : public win32::DriverBackend {
public:
    explicit SimDriver(unsigned units = 1);
    ~SimDriver() override;

    // Units (plugging a unit queues a bus-reset style notification for registered clients).
    unsigned plug();   // returns the new unit's index
    bool unplug();     // removes the last unit; false when none is left
    unsigned unitCount() const;
    UnitState unit(unsigned index) const;

    // Driver state seen through the control path.
    void setApiVersion(std::uint8_t major, std::uint8_t minor);
    void setNodeDirectory(std::vector<std::uint32_t> nodeIds); // overrides the one the units give
    void failNodeRecord(std::uint32_t nodeId, DWORD status);
    void queueNotification(std::uint32_t kind);
    std::uint32_t sampleRate() const;
    std::uint32_t bufferMicroseconds() const;
    std::uint32_t cpuLevel() const;

    // Fault injection.
    void failRequests(DWORD code, DWORD status); // status 0 clears the fault for that code
    void completeAsynchronously(DWORD code, std::chrono::milliseconds delay); // code 0: every request
    void clearFaults();

    // What reached the driver.
    std::vector<LogEntry> log() const;
    void clearLog();

    // Name recorded for requests made in this process.
    void setClientName(std::string name);

    // win32::DriverBackend
    std::vector<std::string> interfacePaths(const GUID& interfaceClass) override;
    DWORD openFile(const std::string& path, std::uint64_t& fileId) override;
    void closeFile(std::uint64_t fileId) override;
    bool deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         win32::IoResult& result, win32::IoCompletion onComplete) override;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace sim
