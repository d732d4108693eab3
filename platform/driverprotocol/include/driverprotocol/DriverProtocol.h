// Wire format between programs and the tessary-simdriver daemon on its Unix
// socket. Every message is a 16-byte header followed by a payload:
//
//   offset 0  u32 magic "TSDP"      offset 8   u32 request id (0: unsolicited)
//   offset 4  u16 version, u16 type offset 12  u32 payload size (<= kMaxPayload)
//
// All integers are little-endian; strings and byte blocks carry a u32 length.
// Decoding never trusts a length: every read is checked against what arrived.
//
// The daemon opens every connection with Welcome, or with Refused and closes
// it. It closes a connection that holds no files, watches no interfaces and
// stays unused, and one
// that leaves a message half sent, after Refused too: it carries out nothing
// the program sent after that. It carries out nothing either once the
// program has hung up: a program that gave up waiting closes its connection,
// and what it left unanswered is dropped, never done late.
#pragma once

#include <windows.h> // GUID

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace driverprotocol {

constexpr std::uint32_t kMagic = 0x50445354; // "TSDP" in memory order
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMaxPayload = 64 * 1024;

enum class MessageType : std::uint16_t {
    // program -> daemon
    Hello = 1,           // string program name; no reply
    InterfacePaths = 2,  // 16-byte GUID -> PathList
    Open = 3,            // string path -> OpenResult
    Close = 4,           // u64 file id; no reply
    Ioctl = 5,           // u64 file id, u32 code, u32 output size, bytes input -> IoPending? then IoResult
    Admin = 6,           // u32 command, u32 a, u32 b -> AdminResult
    WatchInterfaces = 7, // empty; no reply: InterfaceChange messages follow
    // daemon -> program
    PathList = 0x81,        // u32 count, strings
    OpenResult = 0x82,      // u32 error, u64 file id
    IoPending = 0x83,       // empty: the IoResult with the same id follows later
    IoResult = 0x84,        // u32 error, u32 bytes returned, bytes output
    AdminResult = 0x85,     // u32 error (0 = done), string text, u64 next log sequence
    Notify = 0x86,          // u32 event handle the program registered; request id 0
    Welcome = 0x87,         // empty; request id 0: the first message on a connection
    Refused = 0x88,         // u32 RefusalReason, string text; request id 0: the daemon closes the connection
    InterfaceChange = 0x89, // u32 arrived (1) or gone (0), 16-byte GUID, string path; request id 0
};

enum class RefusalReason : std::uint32_t {
    Busy = 1,    // the daemon serves as many programs as it takes
    Unused = 2,  // the connection held no files and sent nothing for a while
    Stalled = 3, // a message was left half sent
};

enum class AdminCommand : std::uint32_t {
    Plug = 1,
    Unplug = 2,
    Notify = 3,     // a = kind
    Status = 4,     // a = 1 for JSON
    Log = 5,        // a, b = low and high word of the first sequence wanted
    FailCode = 6,   // a = request code, b = status
    AsyncCode = 7,  // a = request code (0 = every request), b = delay ms
    ApiVersion = 8, // a = major, b = minor
    ClearFaults = 9,
    AvcResponse = 10, // a = response code every AV/C command gets (0 = answer normally)
};

struct Header
{
    std::uint16_t version = kVersion;
    MessageType type = MessageType::Hello;
    std::uint32_t requestId = 0;
    std::uint32_t payloadSize = 0;
};

enum class HeaderStatus { Complete, NeedMore, Invalid };

// Checks magic, version and the payload cap. NeedMore when fewer than
// kHeaderSize bytes are given.
HeaderStatus decodeHeader(const std::uint8_t* data, std::size_t size, Header& header);

struct Message
{
    MessageType type = MessageType::Hello;
    std::uint32_t requestId = 0;
    std::vector<std::uint8_t> payload;
};

std::vector<std::uint8_t> encode(const Message& message);

// Writes all of `bytes` to the stream socket `fd`, retrying after signals.
// False once the peer is gone or the socket broke.
bool sendAll(int fd, const std::vector<std::uint8_t>& bytes);

class Writer
{
public:
    Writer& u32(std::uint32_t value);
    Writer& u64(std::uint64_t value);
    Writer& bytes(const void* data, std::size_t size);
    Writer& string(const std::string& text) { return bytes(text.data(), text.size()); }
    Writer& guid(const GUID& value);
    std::vector<std::uint8_t> take() { return std::move(data); }

private:
    std::vector<std::uint8_t> data;
};

// Reads fields in order; once a read runs past the end every later read fails too.
class Reader
{
public:
    explicit Reader(const std::vector<std::uint8_t>& payload) : data(payload.data()), size(payload.size()) {}
    Reader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool u32(std::uint32_t& value);
    bool u64(std::uint64_t& value);
    bool bytes(std::vector<std::uint8_t>& value, std::size_t maxSize = kMaxPayload);
    bool string(std::string& value, std::size_t maxSize = kMaxPayload);
    bool guid(GUID& value);
    bool finished() const { return ok && offset == size; }

private:
    bool take(std::size_t count, const std::uint8_t*& at);

    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset = 0;
    bool ok = true;
};

// Accumulates a byte stream and cuts it into messages. After an invalid
// header the stream cannot be resynchronised: the connection must be dropped.
class MessageAssembler
{
public:
    enum class Result { Message, NeedMore, Invalid };

    void append(const std::uint8_t* data, std::size_t size);
    Result next(Message& message);
    std::size_t buffered() const { return buffer.size() - consumed; }

private:
    std::vector<std::uint8_t> buffer;
    std::size_t consumed = 0;
    bool invalid = false;
};

} // namespace driverprotocol
