#include "DriverServer.h"

#include "AdminRequests.h"

#include <driverprotocol/DriverProtocol.h>
#include <win32/PrivateFolder.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/file.h>

#include <chrono>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sim {

using driverprotocol::Message;
using driverprotocol::MessageType;
using driverprotocol::Reader;
using driverprotocol::RefusalReason;
using driverprotocol::Writer;

namespace {

constexpr std::size_t kMaxNameLength = 256;
constexpr std::size_t kMaxPathLength = 4096;
constexpr std::size_t kMaxFilesPerClient = 1024;
constexpr DWORD kTooManyOpenFiles = 4; // ERROR_TOO_MANY_OPEN_FILES
constexpr std::size_t kMaxIoSize = driverprotocol::kMaxPayload - 64;
// A client that stops reading its replies is dropped rather than allowed to
// hold up the completion thread.
constexpr int kSendTimeoutSeconds = 2;

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool daemonAnswers(const std::string& socketPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const bool answered = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answered;
}

} // namespace

// A client refers to the driver without owning it: the server owns the driver
// and joins every client's thread before letting it go. A completion that
// keeps a client alive past that must not take the driver with it, or the
// driver would be destroyed on its own completion thread.
class DriverServer::Client : public std::enable_shared_from_this<Client>
{
public:
    Client(int fd, SimDriver& driver, const Limits& limits) : fd(fd), driver(driver), limits(limits) {}
    ~Client() { ::close(fd); }

    void start()
    {
        thread = std::thread([self = shared_from_this()] { self->serve(); });
    }
    void disconnect() { ::shutdown(fd, SHUT_RDWR); }
    bool finished() const { return done; }
    void join()
    {
        if (thread.joinable())
            thread.join();
    }

private:
    using Clock = std::chrono::steady_clock;
    using Assembler = driverprotocol::MessageAssembler;

    void serve()
    {
        if (send(MessageType::Welcome, 0, {}))
            serveMessages();
        ::shutdown(fd, SHUT_RDWR);
        for (std::uint64_t fileId : files)
            driver.closeFile(fileId);
        if (interfaceWatch != 0)
            driver.unwatchInterfaces(interfaceWatch);
        done = true;
    }

    void serveMessages()
    {
        Assembler assembler;
        std::uint8_t chunk[8192];
        auto lastMessage = Clock::now();
        auto partSince = lastMessage;
        for (;;) {
            const ssize_t n = receiveSoon(chunk, sizeof chunk, deadline(assembler, lastMessage, partSince));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == ETIMEDOUT) {
                refuse(assembler.buffered() != 0 ? RefusalReason::Stalled : RefusalReason::Unused);
                return;
            }
            if (n <= 0)
                return;
            if (assembler.buffered() == 0)
                partSince = Clock::now();
            assembler.append(chunk, static_cast<std::size_t>(n));
            Message message;
            Assembler::Result result;
            while ((result = assembler.next(message)) == Assembler::Result::Message) {
                // A program that hung up gave up waiting: what it left is dropped, never done late.
                if (peerHungUp() || !handle(message))
                    return;
                lastMessage = partSince = Clock::now();
            }
            if (result == Assembler::Result::Invalid)
                return;
        }
    }

    // When the connection is closed unless more arrives: a message left half
    // sent, or a connection that holds no files and sends nothing. One that
    // holds files or watches interfaces belongs to a program that may stay
    // idle as long as it likes.
    std::optional<Clock::time_point> deadline(const Assembler& assembler, Clock::time_point lastMessage,
                                              Clock::time_point partSince) const
    {
        if (assembler.buffered() != 0)
            return partSince + limits.halfSentMessage;
        if (files.empty() && interfaceWatch == 0)
            return lastMessage + limits.unusedConnection;
        return std::nullopt;
    }

    bool peerHungUp() const
    {
        pollfd watched{fd, POLLRDHUP, 0};
        return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
    }

    void refuse(RefusalReason reason)
    {
        const char* text =
            reason == RefusalReason::Stalled ? "a message was left half sent" : "the connection was not used";
        send(MessageType::Refused, 0, Writer().u32(static_cast<std::uint32_t>(reason)).string(text).take());
    }

    // Clients send requests back to back while a program starts or a fader
    // moves. Waiting for the next one for a few microseconds before blocking
    // spares the scheduler's wake-up, which on a small virtual machine costs
    // more than the whole request. -1 with ETIMEDOUT once `until` has passed.
    ssize_t receiveSoon(std::uint8_t* chunk, std::size_t size, std::optional<Clock::time_point> until)
    {
        const auto spinUntil = Clock::now() + kSpinBeforeBlocking;
        do {
            const ssize_t n = ::recv(fd, chunk, size, MSG_DONTWAIT);
            if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                return n;
        } while (Clock::now() < spinUntil);
        pollfd watched{fd, POLLIN, 0};
        int timeoutMs = -1;
        if (until) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - Clock::now());
            timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        const int ready = ::poll(&watched, 1, timeoutMs);
        if (ready == 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        if (ready < 0)
            return -1;
        return ::recv(fd, chunk, size, MSG_DONTWAIT);
    }

    static constexpr std::chrono::microseconds kSpinBeforeBlocking{100};

    // False when the message breaks the protocol: the connection is dropped.
    bool handle(const Message& message)
    {
        Reader reader(message.payload);
        switch (message.type) {
        case MessageType::Hello:
            return reader.string(program, kMaxNameLength) && reader.finished();
        case MessageType::InterfacePaths: {
            GUID guid{};
            if (!reader.guid(guid) || !reader.finished())
                return false;
            const auto paths = driver.interfacePaths(guid);
            Writer writer;
            writer.u32(static_cast<std::uint32_t>(paths.size()));
            for (const auto& path : paths)
                writer.string(path);
            return send(MessageType::PathList, message.requestId, writer.take());
        }
        case MessageType::Open:
            return open(message.requestId, reader);
        case MessageType::Close: {
            std::uint64_t fileId = 0;
            if (!reader.u64(fileId) || !reader.finished())
                return false;
            if (files.erase(fileId) != 0)
                driver.closeFile(fileId);
            return true;
        }
        case MessageType::Ioctl:
            return ioctl(message.requestId, reader);
        case MessageType::WatchInterfaces:
            return reader.finished() && watchInterfaces();
        case MessageType::Admin: {
            std::uint32_t command = 0, a = 0, b = 0;
            if (!reader.u32(command) || !reader.u32(a) || !reader.u32(b) || !reader.finished())
                return false;
            const auto reply = answerAdminRequest(driver, command, a, b);
            return send(MessageType::AdminResult, message.requestId,
                        Writer().u32(reply.error).string(reply.text).u64(reply.nextSequence).take());
        }
        default:
            return false;
        }
    }

    bool open(std::uint32_t requestId, Reader& reader)
    {
        std::string path;
        if (!reader.string(path, kMaxPathLength) || !reader.finished())
            return false;
        if (files.size() >= kMaxFilesPerClient)
            return send(MessageType::OpenResult, requestId, Writer().u32(kTooManyOpenFiles).u64(0).take());
        std::weak_ptr<Client> weak = weak_from_this();
        std::uint64_t fileId = 0;
        const DWORD error =
            driver.openFileFor(program.empty() ? "?" : program, path, fileId, [weak](std::uint32_t eventHandle) {
                if (auto self = weak.lock())
                    self->send(MessageType::Notify, 0, Writer().u32(eventHandle).take());
            });
        if (error == ERROR_SUCCESS)
            files.insert(fileId);
        return send(MessageType::OpenResult, requestId, Writer().u32(error).u64(fileId).take());
    }

    // Tells the program of every unit interface that arrives or goes, for as long as it stays.
    bool watchInterfaces()
    {
        if (interfaceWatch != 0)
            return true;
        std::weak_ptr<Client> weak = weak_from_this();
        interfaceWatch = driver.watchInterfaces([weak](const win32::InterfaceChange& change) {
            if (auto self = weak.lock())
                self->send(MessageType::InterfaceChange, 0,
                           Writer().u32(change.arrived ? 1 : 0).guid(change.interfaceClass).string(change.path).take());
        });
        return true;
    }

    bool ioctl(std::uint32_t requestId, Reader& reader)
    {
        std::uint64_t fileId = 0;
        std::uint32_t code = 0;
        std::uint32_t outSize = 0;
        std::vector<std::uint8_t> input;
        if (!reader.u64(fileId) || !reader.u32(code) || !reader.u32(outSize) || !reader.bytes(input, kMaxIoSize) ||
            !reader.finished() || outSize > kMaxIoSize)
            return false;
        if (files.count(fileId) == 0)
            return sendIoResult(requestId, win32::IoResult{ERROR_INVALID_HANDLE, 0}, nullptr);
        // The output lives until the driver is done with it, even if this client is gone by then.
        auto output = std::make_shared<std::vector<std::uint8_t>>(outSize, 0);
        std::weak_ptr<Client> weak = weak_from_this();
        win32::IoResult result;
        const bool completedAtOnce =
            driver.deviceIoControl(fileId, code, input.empty() ? nullptr : input.data(),
                                   static_cast<DWORD>(input.size()), output->empty() ? nullptr : output->data(),
                                   outSize, result, [weak, requestId, output](const win32::IoResult& later) {
                                       if (auto self = weak.lock())
                                           self->sendIoResult(requestId, later, output.get());
                                   });
        if (!completedAtOnce)
            return send(MessageType::IoPending, requestId, {});
        return sendIoResult(requestId, result, output.get());
    }

    bool sendIoResult(std::uint32_t requestId, const win32::IoResult& result, const std::vector<std::uint8_t>* output)
    {
        const std::size_t bytes = output ? std::min<std::size_t>(result.bytesReturned, output->size()) : 0;
        return send(MessageType::IoResult, requestId,
                    Writer()
                        .u32(result.error)
                        .u32(static_cast<std::uint32_t>(bytes))
                        .bytes(output ? output->data() : nullptr, bytes)
                        .take());
    }

    bool send(MessageType type, std::uint32_t requestId, std::vector<std::uint8_t> payload)
    {
        const auto bytes = driverprotocol::encode(Message{type, requestId, std::move(payload)});
        std::lock_guard<std::mutex> guard(writeMutex);
        if (driverprotocol::sendAll(fd, bytes))
            return true;
        ::shutdown(fd, SHUT_RDWR);
        return false;
    }

    const int fd;
    SimDriver& driver;
    const Limits limits;
    std::thread thread;
    std::uint64_t interfaceWatch = 0; // set and read on the client's own thread
    std::mutex writeMutex;
    std::string program;
    std::set<std::uint64_t> files; // touched by the client's own thread only
    std::atomic<bool> done{false};
};

DriverServer::DriverServer(std::shared_ptr<SimDriver> driver, std::string socketPath, Limits limits)
    : driver(std::move(driver)), socketPath(std::move(socketPath)), limits(limits)
{
}

DriverServer::~DriverServer()
{
    stop();
}

// Whoever holds the lock beside the socket serves it: taken before anything
// at the path is touched, so two daemons starting at once cannot both pass.
bool DriverServer::takeLock(std::string& error)
{
    const std::string lockPath = socketPath + ".lock";
    lockFile = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFile < 0) {
        error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(lockFile, LOCK_EX | LOCK_NB) == 0)
        return true;
    error = errno == EWOULDBLOCK ? "a simulated driver is already running at " + socketPath
                                 : "cannot lock " + lockPath + ": " + std::strerror(errno);
    releaseLock();
    return false;
}

void DriverServer::releaseLock()
{
    if (lockFile >= 0)
        ::close(lockFile);
    lockFile = -1;
}

// With the lock held, a socket at the path is a dead daemon's. Anything else
// there is not ours to remove.
bool DriverServer::clearStaleSocket(std::string& error)
{
    struct stat info
    {
    };
    if (::lstat(socketPath.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return true;
        error = "cannot examine " + socketPath + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISSOCK(info.st_mode)) {
        error = "refusing to replace " + socketPath + ": it is not a socket";
        return false;
    }
    if (daemonAnswers(socketPath)) { // one that does not take the lock
        error = "a simulated driver is already running at " + socketPath;
        return false;
    }
    if (::unlink(socketPath.c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove the stale socket " + socketPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool DriverServer::start(std::string& error)
{
    sockaddr_un address{};
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        error = "socket path is empty or too long: " + socketPath;
        return false;
    }
    const win32::FolderCheck folder = win32::makePrivateFolder(win32::parentFolder(socketPath));
    if (!folder.isPrivate()) {
        error = "refusing to serve at " + socketPath + ": " + folder.reason;
        return false;
    }
    if (!takeLock(error))
        return false;
    if (!clearStaleSocket(error)) {
        releaseLock();
        return false;
    }

    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const mode_t previousMask = ::umask(0177);
    const bool bound = listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(previousMask);
    int wake[2] = {-1, -1};
    if (!bound || ::chmod(socketPath.c_str(), 0600) != 0 || ::listen(listener, 16) != 0 ||
        ::pipe2(wake, O_CLOEXEC) != 0) {
        error = "cannot listen on " + socketPath + ": " + std::strerror(errno);
        if (listener >= 0)
            ::close(listener);
        listener = -1;
        if (bound)
            ::unlink(socketPath.c_str());
        releaseLock();
        return false;
    }
    ::lstat(socketPath.c_str(), &boundSocket);
    wakeRead = wake[0];
    wakeWrite = wake[1];
    running = true;
    acceptor = std::thread([this] { acceptLoop(); });
    return true;
}

void DriverServer::stop()
{
    if (!running)
        return;
    running = false;
    const char stopByte = 0;
    (void)!::write(wakeWrite, &stopByte, 1);
    acceptor.join();
    std::list<std::shared_ptr<Client>> remaining;
    {
        std::lock_guard<std::mutex> guard(clientsMutex);
        remaining.swap(clients);
    }
    for (auto& client : remaining)
        client->disconnect();
    for (auto& client : remaining)
        client->join();
    ::close(listener);
    ::close(wakeRead);
    ::close(wakeWrite);
    listener = wakeRead = wakeWrite = -1;
    // Only our own socket: the path may have been taken over since.
    struct stat info
    {
    };
    if (::lstat(socketPath.c_str(), &info) == 0 && sameFile(info, boundSocket))
        ::unlink(socketPath.c_str());
    releaseLock();
}

void DriverServer::reapFinishedClients()
{
    bool reaped = false;
    {
        std::lock_guard<std::mutex> guard(clientsMutex);
        for (auto it = clients.begin(); it != clients.end();) {
            if ((*it)->finished()) {
                (*it)->join();
                it = clients.erase(it);
                reaped = true;
            } else {
                ++it;
            }
        }
    }
    // Each client thread allocates from an arena of its own, and the C library
    // keeps what they freed: hand it back once the clients have gone, so the
    // daemon's memory comes back down after a burst of programs.
    const auto now = std::chrono::steady_clock::now();
    if (reaped && now >= nextTrim) {
        ::malloc_trim(0);
        nextTrim = now + std::chrono::seconds(1);
    }
}

// A program turned away learns why: it reports the driver busy, not missing.
void DriverServer::refuseBusy(int fd) const
{
    const std::string text =
        "the simulated driver at " + socketPath + " serves " + std::to_string(limits.maxClients) + " programs already";
    const auto bytes = driverprotocol::encode(Message{
        MessageType::Refused, 0, Writer().u32(static_cast<std::uint32_t>(RefusalReason::Busy)).string(text).take()});
    // A fresh socket's buffer takes the whole message without waiting.
    (void)!::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::close(fd);
}

void DriverServer::acceptLoop()
{
    pollfd watched[2] = {{listener, POLLIN, 0}, {wakeRead, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, 1000) < 0 && errno != EINTR)
            return;
        if (watched[1].revents != 0)
            return;
        reapFinishedClients();
        if ((watched[0].revents & POLLIN) == 0)
            continue;
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const timeval timeout{kSendTimeoutSeconds, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        std::lock_guard<std::mutex> guard(clientsMutex);
        if (clients.size() >= limits.maxClients) {
            refuseBusy(fd);
            continue;
        }
        auto client = std::make_shared<Client>(fd, *driver, limits);
        client->start();
        clients.push_back(std::move(client));
    }
}

} // namespace sim
