// The driver backend a program uses when no other is installed: a client of
// the tessary-simdriver daemon. One connection per client object, opened on
// first use and reopened after the daemon went away; a reader thread takes the
// daemon's replies and its unsolicited notifications (which set the program's
// registered events). With no daemon answering, the machine looks like one
// without the driver: no interfaces, and opens fail with ERROR_FILE_NOT_FOUND.
//
// The socket's folder must be the user's own (win32/PrivateFolder.h), or the
// client does not connect. A daemon that does not answer a request within
// kReplyTimeout counts as gone: the client hangs up, which tells the daemon
// to drop what it has not yet carried out, and the request fails with
// 0xE0008003 ("Request timeout interval has expired.").
#pragma once

#include <win32/DriverBackend.h>
#include <driverprotocol/DriverProtocol.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace win32 {

// Status of requests on files opened through a connection that has since been
// lost (the driver went away): "Device not found."
constexpr DWORD kDriverGoneStatus = 0xE0008001;
// Status of a request the daemon did not answer in time; it was not carried out.
constexpr DWORD kDriverTimeoutStatus = 0xE0008003;

constexpr std::chrono::milliseconds kReplyTimeout{10000};

// Whether the last attempt to reach the daemon did, and why not.
struct Reachability
{
    enum class State { Reached, NotRunning, Busy, UnsafeFolder, Unanswered };
    State state = State::Reached;
    std::string reason; // for the user; empty when Reached
};

struct AdminReply
{
    DWORD error = 0;
    std::string text;
    std::uint64_t nextSequence = 0;
};

class DriverSocketClient : public DriverBackend
{
public:
    // An empty path means driverSocketPath(), looked up at each connect.
    explicit DriverSocketClient(std::string socketPath = {}, std::chrono::milliseconds replyTimeout = kReplyTimeout);
    ~DriverSocketClient() override;
    DriverSocketClient(const DriverSocketClient&) = delete;
    DriverSocketClient& operator=(const DriverSocketClient&) = delete;

    std::vector<std::string> interfacePaths(const GUID& interfaceClass) override;
    DWORD openFile(const std::string& path, std::uint64_t& fileId) override;
    void closeFile(std::uint64_t fileId) override;
    bool deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         IoResult& result, IoCompletion onComplete) override;
    // The daemon tells the connection of every unit interface that arrives or
    // goes; a connection made later (after the daemon went away and came back,
    // at the next request) asks again.
    std::uint64_t watchInterfaces(InterfaceWatch watch) override;
    void unwatchInterfaces(std::uint64_t watchId) override;

    // Administrative request; nullopt when no daemon answers.
    std::optional<AdminReply> admin(driverprotocol::AdminCommand command, std::uint32_t a = 0, std::uint32_t b = 0);

    // Whether a daemon answers at the socket path now.
    bool connected();

    // What the last attempt to reach the daemon found.
    Reachability reachability();

    class Connection;

private:
    enum class Outcome { Answered, Lost, TimedOut, Unreached };

    std::shared_ptr<Connection> connection();
    // Sends a request on the current connection and waits for its first reply
    // (into `reply`). Sent again once on a fresh connection when the daemon had
    // closed the old one as unused before it read the request.
    Outcome exchange(driverprotocol::MessageType type, const std::vector<std::uint8_t>& payload,
                     driverprotocol::Message& reply, std::shared_ptr<Connection>* used = nullptr);
    void noteOutcome(Outcome outcome);
    std::string path() const;
    bool hasWatches();
    void tellWatches(const InterfaceChange& change);

    struct RemoteFile
    {
        std::weak_ptr<Connection> connection;
        std::uint64_t remoteId = 0;
    };

    const std::string socketPath;
    const std::chrono::milliseconds replyTimeout;
    std::mutex watchesMutex;
    std::map<std::uint64_t, InterfaceWatch> watches;
    std::uint64_t nextWatchId = 1;
    std::mutex mutex;
    std::shared_ptr<Connection> current;
    std::map<std::uint64_t, RemoteFile> files;
    std::uint64_t nextFileId = 1;
    Reachability lastReach;
};

} // namespace win32
