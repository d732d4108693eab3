// The driver backend a program uses when no other is installed: a client of
// the tessary-simdriver daemon. One connection per client object, opened on
// first use and reopened after the daemon went away; a reader thread takes the
// daemon's replies and its unsolicited notifications (which set the program's
// registered events). With no daemon answering, the machine looks like one
// without the driver: no interfaces, and opens fail with ERROR_FILE_NOT_FOUND.
#pragma once

#include <win32/DriverBackend.h>
#include <win32/DriverProtocol.h>

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

struct AdminReply {
    DWORD error = 0;
    std::string text;
    std::uint64_t nextSequence = 0;
};

class DriverSocketClient : public DriverBackend {
public:
    // An empty path means protocol::driverSocketPath(), looked up at each connect.
    explicit DriverSocketClient(std::string socketPath = {});
    ~DriverSocketClient() override;
    DriverSocketClient(const DriverSocketClient&) = delete;
    DriverSocketClient& operator=(const DriverSocketClient&) = delete;

    std::vector<std::string> interfacePaths(const GUID& interfaceClass) override;
    DWORD openFile(const std::string& path, std::uint64_t& fileId) override;
    void closeFile(std::uint64_t fileId) override;
    bool deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         IoResult& result, IoCompletion onComplete) override;

    // Administrative request; nullopt when no daemon answers.
    std::optional<AdminReply> admin(protocol::AdminCommand command, std::uint32_t a = 0, std::uint32_t b = 0);

    // Whether a daemon answers at the socket path now.
    bool connected();

    class Connection;

private:
    std::shared_ptr<Connection> connection();

    struct RemoteFile {
        std::weak_ptr<Connection> connection;
        std::uint64_t remoteId = 0;
    };

    const std::string socketPath;
    std::mutex mutex;
    std::shared_ptr<Connection> current;
    std::map<std::uint64_t, RemoteFile> files;
    std::uint64_t nextFileId = 1;
};

} // namespace win32
