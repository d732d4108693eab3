#include <win32/DriverSocketClient.h>

#include <win32/StandIn.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace win32 {

using protocol::Message;
using protocol::MessageType;

namespace {

// A daemon that does not answer within this time counts as gone.
constexpr auto kReplyTimeout = std::chrono::seconds(10);

struct Call {
    std::mutex mutex;
    std::condition_variable answeredChanged;
    bool answered = false;
    bool lost = false;
    Message first;
    // Set by the reader only: the daemon said IoPending and the result follows.
    bool awaitingCompletion = false;
    // Where a later IoResult goes.
    void* out = nullptr;
    DWORD outSize = 0;
    IoCompletion onComplete;
};

IoResult decodeIoResult(const Message& message, void* out, DWORD outSize)
{
    IoResult result;
    protocol::Reader reader(message.payload);
    std::uint32_t error = 0;
    std::uint32_t bytesReturned = 0;
    std::vector<std::uint8_t> output;
    if (message.type != MessageType::IoResult || !reader.u32(error) || !reader.u32(bytesReturned) ||
        !reader.bytes(output) || !reader.finished()) {
        result.error = ERROR_GEN_FAILURE;
        return result;
    }
    const std::size_t copied = std::min<std::size_t>({output.size(), outSize, bytesReturned});
    if (copied != 0)
        std::memcpy(out, output.data(), copied);
    result.error = error;
    result.bytesReturned = static_cast<DWORD>(copied);
    return result;
}

} // namespace

class DriverSocketClient::Connection {
public:
    static std::shared_ptr<Connection> open(const std::string& path)
    {
        sockaddr_un address{};
        if (path.size() >= sizeof(address.sun_path))
            return nullptr;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return nullptr;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(fd);
            return nullptr;
        }
        auto connection = std::shared_ptr<Connection>(new Connection(fd));
        connection->reader = std::thread([raw = connection.get()] { raw->readLoop(); });
        connection->send(MessageType::Hello, protocol::Writer().string(programName()).take());
        return connection;
    }

    ~Connection()
    {
        ::shutdown(fd, SHUT_RDWR);
        if (reader.joinable())
            reader.join();
        ::close(fd);
    }

    bool isAlive()
    {
        std::lock_guard<std::mutex> guard(callsMutex);
        return alive;
    }

    bool send(MessageType type, std::vector<std::uint8_t> payload, std::uint32_t requestId = 0)
    {
        const auto bytes = protocol::encode(Message{type, requestId, std::move(payload)});
        std::lock_guard<std::mutex> guard(writeMutex);
        return protocol::sendAll(fd, bytes);
    }

    // Sends a request and waits for its first reply; false when the connection
    // was lost or the daemon did not answer in time.
    bool call(MessageType type, std::vector<std::uint8_t> payload, const std::shared_ptr<Call>& call)
    {
        std::uint32_t id = 0;
        {
            std::lock_guard<std::mutex> guard(callsMutex);
            if (!alive)
                return false;
            id = nextRequestId++;
            if (nextRequestId == 0)
                nextRequestId = 1;
            calls[id] = call;
        }
        if (!send(type, std::move(payload), id)) {
            // A stream that refuses a write is broken for good: say so now
            // rather than when the reader thread gets round to it, so the next
            // request connects afresh.
            {
                std::lock_guard<std::mutex> guard(callsMutex);
                calls.erase(id);
            }
            failAllCalls();
            return false;
        }
        const ReadOutcome outcome = readReplyHere(*call);
        if (outcome == ReadOutcome::Answered)
            return call->answered;
        std::unique_lock<std::mutex> lock(call->mutex);
        if (outcome == ReadOutcome::OtherReader &&
            call->answeredChanged.wait_for(lock, kReplyTimeout, [&] { return call->answered || call->lost; }))
            return call->answered;
        lock.unlock();
        {
            std::lock_guard<std::mutex> guard(callsMutex);
            auto it = calls.find(id);
            if (it != calls.end() && !it->second->awaitingCompletion) {
                calls.erase(it);
                return false;
            }
        }
        // The reader has already taken the reply and is about to hand it over.
        lock.lock();
        call->answeredChanged.wait(lock, [&] { return call->answered || call->lost; });
        return call->answered;
    }

private:
    explicit Connection(int fd) : fd(fd) {}

    // The reader thread takes replies nobody waits for at the socket
    // (notifications, completions of pending requests). A caller waiting for
    // its own reply reads the socket itself when no one else is, which saves
    // the hand-over from the reader thread on every request.
    void readLoop()
    {
        pollfd watched{fd, POLLIN, 0};
        for (;;) {
            if (::poll(&watched, 1, -1) < 0 && errno != EINTR)
                break;
            std::lock_guard<std::mutex> guard(readMutex);
            if (!drainSocket())
                break;
        }
        failAllCalls();
    }

    enum class ReadOutcome { Answered, OtherReader, TimedOut };

    // Reads the socket until the call is answered (or lost), unless another
    // thread is reading it already; that thread then hands the reply over.
    ReadOutcome readReplyHere(Call& call)
    {
        std::unique_lock<std::mutex> reading(readMutex, std::try_to_lock);
        if (!reading.owns_lock())
            return ReadOutcome::OtherReader;
        const auto deadline = std::chrono::steady_clock::now() + kReplyTimeout;
        pollfd watched{fd, POLLIN, 0};
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(call.mutex);
                if (call.answered || call.lost)
                    return ReadOutcome::Answered;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                   std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return ReadOutcome::TimedOut;
            const SpinOutcome spun = spinForReply(call);
            if (spun == SpinOutcome::Answered)
                continue;
            if (spun == SpinOutcome::Broken) {
                reading.unlock();
                failAllCalls();
                return ReadOutcome::Answered;
            }
            const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno != EINTR)
                return ReadOutcome::TimedOut;
            if (ready > 0 && !drainSocket()) {
                reading.unlock();
                failAllCalls();
                return ReadOutcome::Answered;
            }
        }
    }

    // The daemon answers within microseconds; polling the socket for a short
    // while before sleeping in poll() spares a scheduler wake-up per request.
    enum class SpinOutcome { Answered, Broken, Waiting };
    SpinOutcome spinForReply(Call& call)
    {
        const auto spinUntil = std::chrono::steady_clock::now() + kSpinBeforeBlocking;
        while (std::chrono::steady_clock::now() < spinUntil) {
            if (!drainSocket())
                return SpinOutcome::Broken;
            std::lock_guard<std::mutex> guard(call.mutex);
            if (call.answered || call.lost)
                return SpinOutcome::Answered;
        }
        return SpinOutcome::Waiting;
    }

    static constexpr std::chrono::microseconds kSpinBeforeBlocking{100};

    // Reads what has arrived without blocking and dispatches every whole
    // message. False once the stream has ended or broken. Needs readMutex.
    bool drainSocket()
    {
        std::uint8_t chunk[8192];
        for (;;) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return true;
            if (n <= 0)
                return false;
            assembler.append(chunk, static_cast<std::size_t>(n));
            Message message;
            protocol::MessageAssembler::Result result;
            while ((result = assembler.next(message)) == protocol::MessageAssembler::Result::Message)
                dispatch(message);
            if (result == protocol::MessageAssembler::Result::Invalid)
                return false;
        }
    }

    void dispatch(Message& message)
    {
        if (message.requestId == 0) {
            std::uint32_t eventHandle = 0;
            protocol::Reader reader(message.payload);
            if (message.type == MessageType::Notify && reader.u32(eventHandle))
                SetEvent(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(eventHandle)));
            return;
        }
        std::shared_ptr<Call> call;
        bool isCompletion = false;
        {
            std::lock_guard<std::mutex> guard(callsMutex);
            auto it = calls.find(message.requestId);
            if (it == calls.end())
                return;
            call = it->second;
            isCompletion = call->awaitingCompletion;
            if (!isCompletion && message.type == MessageType::IoPending)
                call->awaitingCompletion = true;
            else
                calls.erase(it);
        }
        if (isCompletion) {
            call->onComplete(decodeIoResult(message, call->out, call->outSize));
            return;
        }
        std::lock_guard<std::mutex> guard(call->mutex);
        call->first = std::move(message);
        call->answered = true;
        call->answeredChanged.notify_all();
    }

    void failAllCalls()
    {
        std::map<std::uint32_t, std::shared_ptr<Call>> orphans;
        {
            std::lock_guard<std::mutex> guard(callsMutex);
            alive = false;
            orphans.swap(calls);
        }
        for (auto& [id, call] : orphans) {
            if (call->awaitingCompletion) {
                call->onComplete(IoResult{kDriverGoneStatus, 0});
                continue;
            }
            std::lock_guard<std::mutex> guard(call->mutex);
            call->lost = true;
            call->answeredChanged.notify_all();
        }
    }

    const int fd;
    std::thread reader;
    std::mutex readMutex;
    protocol::MessageAssembler assembler; // guarded by readMutex
    std::mutex writeMutex;
    std::mutex callsMutex;
    bool alive = true;
    std::uint32_t nextRequestId = 1;
    std::map<std::uint32_t, std::shared_ptr<Call>> calls;
};

DriverSocketClient::DriverSocketClient(std::string socketPath) : socketPath(std::move(socketPath)) {}

DriverSocketClient::~DriverSocketClient() = default;

std::shared_ptr<DriverSocketClient::Connection> DriverSocketClient::connection()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (current && current->isAlive())
        return current;
    current = Connection::open(socketPath.empty() ? protocol::driverSocketPath() : socketPath);
    return current;
}

bool DriverSocketClient::connected() { return connection() != nullptr; }

std::vector<std::string> DriverSocketClient::interfacePaths(const GUID& interfaceClass)
{
    auto link = connection();
    auto call = std::make_shared<Call>();
    if (!link || !link->call(MessageType::InterfacePaths, protocol::Writer().guid(interfaceClass).take(), call))
        return {};
    std::vector<std::string> paths;
    protocol::Reader reader(call->first.payload);
    std::uint32_t count = 0;
    if (call->first.type != MessageType::PathList || !reader.u32(count))
        return {};
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string path;
        if (!reader.string(path))
            return {};
        paths.push_back(std::move(path));
    }
    return paths;
}

DWORD DriverSocketClient::openFile(const std::string& path, std::uint64_t& fileId)
{
    auto link = connection();
    auto call = std::make_shared<Call>();
    if (!link || !link->call(MessageType::Open, protocol::Writer().string(path).take(), call))
        return ERROR_FILE_NOT_FOUND;
    protocol::Reader reader(call->first.payload);
    std::uint32_t error = 0;
    std::uint64_t remoteId = 0;
    if (call->first.type != MessageType::OpenResult || !reader.u32(error) || !reader.u64(remoteId))
        return ERROR_GEN_FAILURE;
    if (error != ERROR_SUCCESS)
        return error;
    std::lock_guard<std::mutex> guard(mutex);
    fileId = nextFileId++;
    files[fileId] = RemoteFile{link, remoteId};
    return ERROR_SUCCESS;
}

void DriverSocketClient::closeFile(std::uint64_t fileId)
{
    RemoteFile file;
    {
        std::lock_guard<std::mutex> guard(mutex);
        auto it = files.find(fileId);
        if (it == files.end())
            return;
        file = it->second;
        files.erase(it);
    }
    if (auto link = file.connection.lock(); link && link->isAlive())
        link->send(MessageType::Close, protocol::Writer().u64(file.remoteId).take());
}

bool DriverSocketClient::deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out,
                                         DWORD outSize, IoResult& result, IoCompletion onComplete)
{
    RemoteFile file;
    {
        std::lock_guard<std::mutex> guard(mutex);
        auto it = files.find(fileId);
        if (it == files.end()) {
            result = IoResult{ERROR_INVALID_HANDLE, 0};
            return true;
        }
        file = it->second;
    }
    auto link = file.connection.lock();
    if (!link || inSize > protocol::kMaxPayload - 64 || outSize > protocol::kMaxPayload - 64) {
        result = IoResult{link ? DWORD(ERROR_INVALID_PARAMETER) : kDriverGoneStatus, 0};
        return true;
    }
    auto call = std::make_shared<Call>();
    call->out = out;
    call->outSize = outSize;
    call->onComplete = std::move(onComplete);
    auto payload = protocol::Writer().u64(file.remoteId).u32(code).u32(outSize).bytes(in, inSize).take();
    if (!link->call(MessageType::Ioctl, std::move(payload), call)) {
        result = IoResult{kDriverGoneStatus, 0};
        return true;
    }
    if (call->first.type == MessageType::IoPending)
        return false;
    result = decodeIoResult(call->first, out, outSize);
    return true;
}

std::optional<AdminReply> DriverSocketClient::admin(protocol::AdminCommand command, std::uint32_t a, std::uint32_t b)
{
    auto link = connection();
    auto call = std::make_shared<Call>();
    auto payload = protocol::Writer().u32(static_cast<std::uint32_t>(command)).u32(a).u32(b).take();
    if (!link || !link->call(MessageType::Admin, std::move(payload), call))
        return std::nullopt;
    AdminReply reply;
    protocol::Reader reader(call->first.payload);
    std::uint32_t error = 0;
    if (call->first.type != MessageType::AdminResult || !reader.u32(error) || !reader.string(reply.text) ||
        !reader.u64(reply.nextSequence))
        return std::nullopt;
    reply.error = error;
    return reply;
}

} // namespace win32
