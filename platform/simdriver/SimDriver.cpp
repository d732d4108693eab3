#include "SimDriver.h"

#include "AvcSubunit.h"
#include "DelayedCompletions.h"
#include "DriverConfiguration.h"

#include <win32/StandIn.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>

namespace sim {

const GUID kMixerInterfaceClass = {0x006902CB, 0xE626, 0x45B4, {0x8A, 0x62, 0x2E, 0xAA, 0xD6, 0x3F, 0x8D, 0x12}};
const GUID kSettingsInterfaceClass = {0x34F6CC0C, 0xBE3A, 0x4F6E, {0xBE, 0x12, 0x47, 0xE5, 0x8C, 0x84, 0xB0, 0x8D}};

namespace {

constexpr std::uint32_t kFirstNodeId = 0xFFC0; // local bus, physical id 0
constexpr std::size_t kMaxNodes = 64;
constexpr std::size_t kNotificationCapacity = 256;
// What a request waiting for its completion costs besides its output.
constexpr std::size_t kPendingOverhead = 256;
constexpr std::uint32_t kBusResetNotification = 2;

constexpr std::uint32_t kAvcRequestWord = 2000;
constexpr DWORD kAvcRequestSize = 520;
constexpr DWORD kAvcResponseSize = 516;
constexpr std::size_t kAvcFrameOffset = 8;

constexpr DWORD kApiVersionSize = 12;
constexpr DWORD kNodeDirectorySize = 4 + 4 * kMaxNodes;
constexpr DWORD kNodeRecordSize = 424;
constexpr DWORD kNodeRecordV2Size = 432;
constexpr DWORD kClockBlockSize = 44;
constexpr DWORD kSampleRateSize = 8;
constexpr DWORD kSettingsBlockSize = 16;
constexpr DWORD kNotificationSize = 12;

constexpr std::uint32_t kSampleRates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};
constexpr std::uint32_t kCpuLevels[] = {1000, 2000, 4000};
constexpr std::uint32_t kShortestBuffer = 1000;
constexpr std::uint32_t kLongestBuffer = 30000;

std::uint32_t readWord(const void* block, std::size_t index)
{
    const auto* bytes = static_cast<const std::uint8_t*>(block) + 4 * index;
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

void writeWord(void* block, std::size_t index, std::uint32_t value)
{
    auto* bytes = static_cast<std::uint8_t*>(block) + 4 * index;
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

template <class T, std::size_t N> bool contains(const T (&values)[N], T value)
{
    return std::find(std::begin(values), std::end(values), value) != std::end(values);
}

win32::IoResult fail(DWORD status)
{
    return win32::IoResult{status, 0};
}
win32::IoResult done(DWORD bytes = 0)
{
    return win32::IoResult{ERROR_SUCCESS, bytes};
}

} // namespace

std::string guidText(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string unitInterfacePath(unsigned unit, const GUID& interfaceClass)
{
    return "\\\\?\\1394#tessary&unit" + std::to_string(unit) + "#" + lowerCase(guidText(interfaceClass));
}

std::string controlPath(const GUID& interfaceClass)
{
    return "\\\\.\\" + guidText(interfaceClass);
}

// Text from a client as the log shows it: control characters (C0, DEL and
// C1) and bytes that are not UTF-8 as \xHH, so that a name or path can
// neither start a line of its own nor drive the reader's terminal.
std::string printableText(const std::string& text)
{
    std::string shown;
    auto escape = [&shown](unsigned char byte) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        shown += hex;
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            if (lead < 0x20 || lead == 0x7F)
                escape(lead);
            else
                shown += static_cast<char>(lead);
            ++i;
            continue;
        }
        // A whole UTF-8 sequence of 2 to 4 bytes, shortest form, no surrogate, no C1 control.
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        bool whole = length != 0 && i + length <= size;
        for (std::size_t k = 1; whole && k < length; ++k)
            whole = (bytes[i + k] & 0xC0) == 0x80;
        if (whole && length == 3)
            whole = !(lead == 0xE0 && bytes[i + 1] < 0xA0) && !(lead == 0xED && bytes[i + 1] >= 0xA0);
        if (whole && length == 4)
            whole = !(lead == 0xF0 && bytes[i + 1] < 0x90) && !(lead == 0xF4 && bytes[i + 1] >= 0x90);
        if (whole && length == 2 && lead == 0xC2 && bytes[i + 1] < 0xA0)
            whole = false; // U+0080 to U+009F
        if (!whole) {
            escape(lead);
            ++i;
            continue;
        }
        shown.append(text, i, length);
        i += length;
    }
    return shown;
}

std::string LogEntry::line() const
{
    char head[64];
    std::string text = program.empty() ? "?" : printableText(program);
    if (code == 0) {
        text += " open " + printableText(path);
    } else {
        std::snprintf(head, sizeof head, " 0x%08X", static_cast<unsigned>(code));
        text += head;
    }
    std::snprintf(head, sizeof head, " -> 0x%08X", static_cast<unsigned>(status));
    text += head;
    for (std::uint8_t byte : frame) {
        std::snprintf(head, sizeof head, " %02X", byte);
        text += head;
    }
    return text;
}

struct SimDriver::State
{
    struct Unit
    {
        UnitState avc;
        std::uint64_t generation = 0;
    };
    struct File
    {
        bool control = false;
        unsigned unit = 0;
        std::uint64_t generation = 0;
        std::string client;
        EventSignal signal;
        std::optional<std::uint32_t> registeredEvent;
        // Notifications queued since the file registered its event, oldest first.
        std::deque<std::uint32_t> notifications;
    };
    using Signals = std::vector<std::pair<EventSignal, std::uint32_t>>;

    mutable std::mutex mutex;
    std::vector<Unit> units;
    std::uint64_t nextGeneration = 1;
    std::map<std::uint64_t, File> files;
    std::uint64_t nextFileId = 1;
    std::string clientName;

    std::uint8_t apiMajor = 2;
    std::uint8_t apiMinor = 12;
    std::optional<std::vector<std::uint32_t>> nodeDirectoryOverride;
    std::map<std::uint32_t, DWORD> nodeRecordFaults;
    std::uint32_t sampleRate = 48000;
    std::uint32_t cpuBlock[4] = {0, 0, 0, 2000};
    std::uint32_t bufferBlock[4] = {4000, kShortestBuffer, kLongestBuffer, 0};
    std::uint32_t streamBufferDepth = kDefaultStreamBufferDepth;

    std::map<DWORD, DWORD> failures;
    std::map<DWORD, std::chrono::milliseconds> delays;
    std::uint8_t forcedResponse = 0;

    std::deque<LogEntry> log;
    std::size_t logBytes = 0;
    std::uint64_t nextSequence = 1;

    std::map<std::uint64_t, win32::InterfaceWatch> interfaceWatches;
    std::uint64_t nextWatchId = 1;

    // What the watches hear of unit `index` arriving or going: one change per interface class.
    using Changes = std::vector<std::pair<win32::InterfaceWatch, win32::InterfaceChange>>;
    Changes interfaceChanges(unsigned index, bool arrived) const
    {
        Changes changes;
        for (const auto& [id, watch] : interfaceWatches)
            for (const GUID* interfaceClass : {&kMixerInterfaceClass, &kSettingsInterfaceClass})
                changes.emplace_back(
                    watch, win32::InterfaceChange{arrived, *interfaceClass, unitInterfacePath(index, *interfaceClass)});
        return changes;
    }

    // Last: destroyed first, it completes what still waits while the rest is there.
    DelayedCompletions completions{kPendingByteBudget};

    void addUnit(std::uint32_t depth)
    {
        const auto index = static_cast<std::uint32_t>(units.size());
        units.push_back(Unit{AvcSubunit::initialState(kFirstNodeId + index), nextGeneration++});
        streamBufferDepth = depth;
    }

    std::vector<std::uint32_t> nodeIds() const
    {
        if (nodeDirectoryOverride)
            return *nodeDirectoryOverride;
        std::vector<std::uint32_t> ids;
        for (const auto& unit : units)
            ids.push_back(unit.avc.nodeId);
        return ids;
    }

    // Each file that registered an event gets the notification in its own
    // queue, so one program draining its queue leaves the others' alone.
    Signals queueNotification(std::uint32_t kind)
    {
        Signals signals;
        for (auto& [id, file] : files) {
            if (!file.registeredEvent)
                continue;
            if (file.notifications.size() >= kNotificationCapacity)
                file.notifications.pop_front();
            file.notifications.push_back(kind);
            if (file.signal)
                signals.emplace_back(file.signal, *file.registeredEvent);
        }
        return signals;
    }

    static std::size_t costOf(const LogEntry& entry)
    {
        return sizeof entry + entry.program.size() + entry.input.size() + entry.frame.size() + entry.path.size();
    }

    void record(LogEntry entry)
    {
        entry.sequence = nextSequence++;
        logBytes += costOf(entry);
        log.push_back(std::move(entry));
        while (log.size() > kLogCapacity || logBytes > kLogByteBudget) {
            logBytes -= costOf(log.front());
            log.pop_front();
        }
    }

    std::optional<std::chrono::milliseconds> delayFor(DWORD code) const
    {
        if (auto it = delays.find(code); it != delays.end())
            return it->second;
        if (auto it = delays.find(0); it != delays.end())
            return it->second;
        return std::nullopt;
    }

    Unit* unitOf(const File& file)
    {
        if (file.unit >= units.size() || units[file.unit].generation != file.generation)
            return nullptr;
        return &units[file.unit];
    }

    win32::IoResult execute(File& file, DWORD code, const std::uint8_t* in, DWORD inSize, std::uint8_t* out,
                            DWORD outSize, LogEntry& entry);
    win32::IoResult avcCommand(Unit& unit, const std::uint8_t* in, DWORD inSize, std::uint8_t* out, DWORD outSize,
                               LogEntry& entry);
    win32::IoResult controlRequest(File& file, DWORD code, const std::uint8_t* in, DWORD inSize, std::uint8_t* out,
                                   DWORD outSize);
    win32::IoResult nodeRecord(const std::uint8_t* in, std::uint8_t* out, DWORD recordSize);
};

win32::IoResult SimDriver::State::execute(File& file, DWORD code, const std::uint8_t* in, DWORD inSize,
                                          std::uint8_t* out, DWORD outSize, LogEntry& entry)
{
    if (auto it = failures.find(code); it != failures.end())
        return fail(it->second);
    if (file.control)
        return code == request::kAvcCommand ? fail(status::kWrongObject)
                                            : controlRequest(file, code, in, inSize, out, outSize);
    Unit* unit = unitOf(file);
    if (!unit)
        return fail(status::kDeviceNotFound);
    // A unit's interface answers the version query too: a program checks the
    // driver's API version on every session it opens.
    if (code == request::kApiVersion)
        return controlRequest(file, code, in, inSize, out, outSize);
    if (code != request::kAvcCommand)
        return fail(status::kWrongObject);
    return avcCommand(*unit, in, inSize, out, outSize, entry);
}

win32::IoResult SimDriver::State::avcCommand(Unit& unit, const std::uint8_t* in, DWORD inSize, std::uint8_t* out,
                                             DWORD outSize, LogEntry& entry)
{
    if (inSize != kAvcRequestSize || outSize != kAvcResponseSize)
        return fail(status::kInvalidBufferSize);
    const std::uint32_t length = readWord(in, 1);
    if (length <= AvcSubunit::kMaxFrame)
        entry.frame.assign(in + kAvcFrameOffset, in + kAvcFrameOffset + length);
    if (readWord(in, 0) != kAvcRequestWord || length > AvcSubunit::kMaxFrame)
        return fail(status::kInvalidParameter);
    const auto response = AvcSubunit::respond(in + kAvcFrameOffset, length, unit.avc, forcedResponse);
    std::memset(out, 0, outSize);
    writeWord(out, 0, static_cast<std::uint32_t>(response.size()));
    std::memcpy(out + 4, response.data(), response.size());
    return done(kAvcResponseSize);
}

win32::IoResult SimDriver::State::nodeRecord(const std::uint8_t* in, std::uint8_t* out, DWORD recordSize)
{
    const std::uint32_t nodeId = readWord(in, 0);
    if (auto it = nodeRecordFaults.find(nodeId); it != nodeRecordFaults.end())
        return fail(it->second);
    const auto ids = nodeIds();
    if (std::find(ids.begin(), ids.end(), nodeId) == ids.end())
        return fail(status::kInvalidParameter);
    std::memset(out, 0, recordSize);
    writeWord(out, 0, nodeId);
    writeWord(out, 1, recordSize);
    writeWord(out, 2, 0x0001F2C4);          // vendor id of the simulated units
    writeWord(out, 3, 0x00010000 | nodeId); // model and serial
    return done(recordSize);
}

win32::IoResult SimDriver::State::controlRequest(File& file, DWORD code, const std::uint8_t* in, DWORD inSize,
                                                 std::uint8_t* out, DWORD outSize)
{
    struct Shape
    {
        DWORD in;
        DWORD out;
    };
    static const std::map<DWORD, Shape> shapes = {
        {request::kApiVersion, {0, kApiVersionSize}},
        {request::kNodeDirectory, {0, kNodeDirectorySize}},
        {request::kNodeDirectoryV2, {0, kNodeDirectorySize}},
        {request::kNodeRecord, {4, kNodeRecordSize}},
        {request::kNodeRecordV2, {4, kNodeRecordV2Size}},
        {request::kRegisterNotifyEvent, {4, 0}},
        {request::kReadNotification, {0, kNotificationSize}},
        {request::kReadClockBlock, {0, kClockBlockSize}},
        {request::kWriteSampleRate, {kSampleRateSize, 0}},
        {request::kReadCpuBlock, {0, kSettingsBlockSize}},
        {request::kWriteCpuBlock, {kSettingsBlockSize, 0}},
        {request::kReadBufferBlock, {0, kSettingsBlockSize}},
        {request::kWriteBufferBlock, {kSettingsBlockSize, 0}},
        {request::kApplyStep1, {0, 0}},
        {request::kApplyStep2, {0, 0}},
    };
    auto shape = shapes.find(code);
    if (shape == shapes.end())
        return fail(status::kInvalidFunction);
    if (inSize != shape->second.in)
        return fail(status::kInvalidBufferSize);
    if (outSize < shape->second.out)
        return fail(status::kOutputTooSmall);
    const DWORD outBlock = shape->second.out;
    if (outBlock != 0)
        std::memset(out, 0, outBlock);

    switch (code) {
    case request::kApiVersion:
        out[0] = apiMajor;
        out[1] = apiMinor;
        writeWord(out, 1, 1); // build
        return done(outBlock);
    case request::kNodeDirectory:
    case request::kNodeDirectoryV2: {
        const auto ids = nodeIds();
        writeWord(out, 0, static_cast<std::uint32_t>(ids.size()));
        for (std::size_t i = 0; i < ids.size() && i < kMaxNodes; ++i)
            writeWord(out, 1 + i, ids[i]);
        return done(outBlock);
    }
    case request::kNodeRecord:
    case request::kNodeRecordV2:
        return nodeRecord(in, out, outBlock);
    case request::kRegisterNotifyEvent:
        file.registeredEvent = readWord(in, 0);
        return done();
    case request::kReadNotification: {
        auto& queue = file.notifications;
        if (queue.empty())
            return fail(ERROR_NO_MORE_ITEMS);
        writeWord(out, 0, queue.front());
        queue.pop_front();
        writeWord(out, 1, static_cast<std::uint32_t>(queue.size()));
        return done(outBlock);
    }
    case request::kReadClockBlock:
        writeWord(out, 1, sampleRate);
        if (!units.empty())
            writeWord(out, 2, static_cast<std::uint32_t>(units[0].avc.clockSourcePlug));
        return done(outBlock);
    case request::kWriteSampleRate: {
        const std::uint32_t rate = readWord(in, 1);
        if (!contains(kSampleRates, rate))
            return fail(status::kInvalidParameter);
        sampleRate = rate;
        return done();
    }
    case request::kReadCpuBlock:
        for (std::size_t i = 0; i < 4; ++i)
            writeWord(out, i, cpuBlock[i]);
        return done(outBlock);
    case request::kWriteCpuBlock:
        if (!contains(kCpuLevels, readWord(in, 3)))
            return fail(status::kInvalidParameter);
        for (std::size_t i = 0; i < 4; ++i)
            cpuBlock[i] = readWord(in, i);
        return done();
    case request::kReadBufferBlock:
        for (std::size_t i = 0; i < 4; ++i)
            writeWord(out, i, bufferBlock[i]);
        return done(outBlock);
    case request::kWriteBufferBlock: {
        const std::uint32_t length = readWord(in, 0);
        if (length < kShortestBuffer || length > kLongestBuffer)
            return fail(status::kInvalidParameter);
        bufferBlock[0] = length;
        return done();
    }
    default: // the apply steps: the simulated units take new settings at once
        return done();
    }
}

SimDriver::SimDriver(unsigned units) : state(std::make_unique<State>())
{
    for (unsigned i = 0; i < std::min(units, kMaxUnits); ++i) {
        const std::uint32_t depth = loadStreamBufferDepth();
        std::lock_guard<std::mutex> guard(state->mutex);
        state->addUnit(depth);
    }
}

SimDriver::~SimDriver() = default;

namespace {
void signalAll(const std::vector<std::pair<SimDriver::EventSignal, std::uint32_t>>& signals)
{
    for (const auto& [signal, handle] : signals)
        signal(handle);
}

void tellAll(const std::vector<std::pair<win32::InterfaceWatch, win32::InterfaceChange>>& changes)
{
    for (const auto& [watch, change] : changes)
        watch(change);
}
} // namespace

std::optional<unsigned> SimDriver::plug()
{
    const std::uint32_t depth = loadStreamBufferDepth();
    State::Signals signals;
    State::Changes changes;
    unsigned index = 0;
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        index = static_cast<unsigned>(state->units.size());
        if (index >= kMaxUnits)
            return std::nullopt;
        state->addUnit(depth);
        signals = state->queueNotification(kBusResetNotification);
        changes = state->interfaceChanges(index, true);
    }
    tellAll(changes);
    signalAll(signals);
    return index;
}

bool SimDriver::unplug()
{
    State::Signals signals;
    State::Changes changes;
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        if (state->units.empty())
            return false;
        state->units.pop_back();
        signals = state->queueNotification(kBusResetNotification);
        changes = state->interfaceChanges(static_cast<unsigned>(state->units.size()), false);
    }
    tellAll(changes);
    signalAll(signals);
    return true;
}

unsigned SimDriver::unitCount() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return static_cast<unsigned>(state->units.size());
}

UnitState SimDriver::unit(unsigned index) const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return index < state->units.size() ? state->units[index].avc : UnitState{};
}

void SimDriver::setApiVersion(std::uint8_t major, std::uint8_t minor)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    state->apiMajor = major;
    state->apiMinor = minor;
}

std::pair<std::uint8_t, std::uint8_t> SimDriver::apiVersion() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return {state->apiMajor, state->apiMinor};
}

void SimDriver::setNodeDirectory(std::vector<std::uint32_t> nodeIds)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    state->nodeDirectoryOverride = std::move(nodeIds);
}

std::vector<std::uint32_t> SimDriver::nodeDirectory() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->nodeIds();
}

void SimDriver::failNodeRecord(std::uint32_t nodeId, DWORD status)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    if (status == 0)
        state->nodeRecordFaults.erase(nodeId);
    else
        state->nodeRecordFaults[nodeId] = status;
}

void SimDriver::queueNotification(std::uint32_t kind)
{
    State::Signals signals;
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        signals = state->queueNotification(kind);
    }
    signalAll(signals);
}

std::uint32_t SimDriver::sampleRate() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->sampleRate;
}

std::uint32_t SimDriver::bufferMicroseconds() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->bufferBlock[0];
}

std::uint32_t SimDriver::cpuLevel() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->cpuBlock[3];
}

std::uint32_t SimDriver::streamBufferDepth() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->streamBufferDepth;
}

bool SimDriver::failRequests(DWORD code, DWORD status)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    if (status == 0) {
        state->failures.erase(code);
        return true;
    }
    if (state->failures.size() >= kMaxFaultsPerKind && state->failures.count(code) == 0)
        return false;
    state->failures[code] = status;
    return true;
}

bool SimDriver::completeAsynchronously(DWORD code, std::chrono::milliseconds delay)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    if (state->delays.size() >= kMaxFaultsPerKind && state->delays.count(code) == 0)
        return false;
    state->delays[code] = std::max(delay, std::chrono::milliseconds(0));
    return true;
}

std::map<DWORD, DWORD> SimDriver::injectedFailures() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->failures;
}

std::map<DWORD, std::chrono::milliseconds> SimDriver::asynchronousCodes() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->delays;
}

void SimDriver::answerEveryCommandWith(std::uint8_t responseCode)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    state->forcedResponse = responseCode;
}

std::uint8_t SimDriver::forcedResponse() const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    return state->forcedResponse;
}

void SimDriver::clearFaults()
{
    std::lock_guard<std::mutex> guard(state->mutex);
    state->forcedResponse = 0;
    state->failures.clear();
    state->delays.clear();
    state->nodeRecordFaults.clear();
    state->nodeDirectoryOverride.reset();
    state->apiMajor = 2;
    state->apiMinor = 12;
}

std::vector<LogEntry> SimDriver::log() const
{
    return logFrom(0);
}

std::vector<LogEntry> SimDriver::logFrom(std::uint64_t firstSequence) const
{
    std::lock_guard<std::mutex> guard(state->mutex);
    std::vector<LogEntry> entries;
    for (const auto& entry : state->log)
        if (entry.sequence >= firstSequence)
            entries.push_back(entry);
    return entries;
}

void SimDriver::clearLog()
{
    std::lock_guard<std::mutex> guard(state->mutex);
    state->log.clear();
    state->logBytes = 0;
}

void SimDriver::setClientName(std::string name)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    state->clientName = std::move(name);
}

std::uint64_t SimDriver::watchInterfaces(win32::InterfaceWatch watch)
{
    if (!watch)
        return 0;
    std::lock_guard<std::mutex> guard(state->mutex);
    const std::uint64_t id = state->nextWatchId++;
    state->interfaceWatches.emplace(id, std::move(watch));
    return id;
}

void SimDriver::unwatchInterfaces(std::uint64_t watchId)
{
    win32::InterfaceWatch dropped; // let go of outside the lock: it may hold what calls back in
    std::lock_guard<std::mutex> guard(state->mutex);
    if (auto it = state->interfaceWatches.find(watchId); it != state->interfaceWatches.end()) {
        dropped = std::move(it->second);
        state->interfaceWatches.erase(it);
    }
}

std::vector<std::string> SimDriver::interfacePaths(const GUID& interfaceClass)
{
    if (interfaceClass != kMixerInterfaceClass && interfaceClass != kSettingsInterfaceClass)
        return {};
    std::lock_guard<std::mutex> guard(state->mutex);
    std::vector<std::string> paths;
    for (unsigned i = 0; i < state->units.size(); ++i)
        paths.push_back(unitInterfacePath(i, interfaceClass));
    return paths;
}

DWORD SimDriver::openFile(const std::string& path, std::uint64_t& fileId)
{
    std::string client;
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        client = state->clientName;
    }
    if (client.empty())
        client = win32::programName();
    return openFileFor(client, path, fileId, [](std::uint32_t eventHandle) {
        SetEvent(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(eventHandle)));
    });
}

DWORD SimDriver::openFileFor(const std::string& client, const std::string& path, std::uint64_t& fileId,
                             EventSignal signal)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    std::optional<State::File> file;
    for (const GUID* guid : {&kMixerInterfaceClass, &kSettingsInterfaceClass}) {
        if (equalsIgnoringCase(path, controlPath(*guid)))
            file = State::File{true, 0, 0, client, signal, std::nullopt, {}};
        for (unsigned i = 0; i < state->units.size() && !file; ++i)
            if (equalsIgnoringCase(path, unitInterfacePath(i, *guid)))
                file = State::File{false, i, state->units[i].generation, client, signal, std::nullopt, {}};
    }
    LogEntry entry;
    entry.program = client;
    entry.path = path;
    entry.status = file ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    state->record(std::move(entry));
    if (!file)
        return ERROR_FILE_NOT_FOUND;
    fileId = state->nextFileId++;
    state->files.emplace(fileId, std::move(*file));
    return ERROR_SUCCESS;
}

void SimDriver::closeFile(std::uint64_t fileId)
{
    std::lock_guard<std::mutex> guard(state->mutex);
    state->files.erase(fileId);
}

bool SimDriver::deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out,
                                DWORD outSize, win32::IoResult& result, win32::IoCompletion onComplete)
{
    std::optional<std::chrono::milliseconds> delay;
    std::vector<std::uint8_t> deferredOutput;
    std::size_t pendingCost = 0;
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        auto file = state->files.find(fileId);
        if (file == state->files.end()) {
            result = fail(ERROR_INVALID_HANDLE);
            return true;
        }
        delay = state->delayFor(code);
        LogEntry entry;
        entry.program = file->second.client;
        entry.code = code;
        entry.inputSize = inSize;
        entry.outputSize = outSize;
        if (inSize != 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(in);
            entry.input.assign(bytes, bytes + std::min<std::size_t>(inSize, LogEntry::kLoggedInputBytes));
        }
        pendingCost = outSize + kPendingOverhead;
        if (delay && !state->completions.reserve(pendingCost)) {
            result = fail(status::kPacketPoolEmpty);
            delay.reset();
        } else {
            auto* target = static_cast<std::uint8_t*>(out);
            if (delay) {
                deferredOutput.assign(outSize, 0);
                target = deferredOutput.data();
            }
            result = state->execute(file->second, code, static_cast<const std::uint8_t*>(in), inSize, target, outSize,
                                    entry);
        }
        entry.status = result.error;
        state->record(std::move(entry));
    }
    if (!delay)
        return true;
    state->completions.schedule(*delay, pendingCost, [out, output = std::move(deferredOutput), result, onComplete] {
        if (result.bytesReturned != 0)
            std::memcpy(out, output.data(), std::min<std::size_t>(result.bytesReturned, output.size()));
        onComplete(result);
    });
    return false;
}

} // namespace sim
