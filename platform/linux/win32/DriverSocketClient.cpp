#include <win32/DriverSocketClient.h>
#include <win32/ProcessLock.h>

#include <win32/PrivateFolder.h>
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

using driverprotocol::Message;
using driverprotocol::MessageType;

namespace {

struct Call
{
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
    driverprotocol::Reader reader(message.payload);
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

class DriverSocketClient::Connection
{
public:
    // Connects and waits for the daemon's welcome; null with `reach` telling why not.
    static std::shared_ptr<Connection> open(const std::string& path, std::chrono::milliseconds replyTimeout,
                                            Reachability& reach, InterfaceWatch interfaceChanged)
    {
        using State = Reachability::State;
        sockaddr_un address{};
        if (path.size() >= sizeof(address.sun_path)) {
            reach = {State::NotRunning, "the socket path is too long: " + path};
            return nullptr;
        }
        const FolderCheck folder = checkPrivateFolder(parentFolder(path));
        if (!folder.isPrivate()) {
            reach = {folder.state == FolderCheck::State::Missing ? State::NotRunning : State::UnsafeFolder,
                     folder.reason};
            return nullptr;
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            reach = {State::NotRunning, std::string("no socket: ") + std::strerror(errno)};
            return nullptr;
        }
        // Bounds a connect to a daemon too frozen to accept, and every write.
        const timeval timeout{static_cast<time_t>(replyTimeout.count() / 1000),
                              static_cast<suseconds_t>(replyTimeout.count() % 1000 * 1000)};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            const bool frozen = errno == EAGAIN || errno == EINPROGRESS;
            reach = {frozen ? State::Unanswered : State::NotRunning, std::strerror(errno)};
            ::close(fd);
            return nullptr;
        }
        auto connection = std::shared_ptr<Connection>(new Connection(fd, replyTimeout, std::move(interfaceChanged)));
        if (!connection->awaitWelcome(reach))
            return nullptr;
        connection->reader = std::thread([raw = connection.get()] { raw->readLoop(); });
        connection->send(MessageType::Hello, driverprotocol::Writer().string(programName()).take());
        reach = {};
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

    enum class CallOutcome { Answered, Lost, TimedOut, Retired };

    // Hangs up: the daemon drops whatever it has not carried out yet, and every
    // request of this connection fails.
    void abandon()
    {
        ::shutdown(fd, SHUT_RDWR);
        failAllCalls();
    }

    bool send(MessageType type, std::vector<std::uint8_t> payload, std::uint32_t requestId = 0)
    {
        const auto bytes = driverprotocol::encode(Message{type, requestId, std::move(payload)});
        std::lock_guard<std::mutex> guard(writeMutex);
        return driverprotocol::sendAll(fd, bytes);
    }

    // Sends a request and waits for its first reply. TimedOut when the daemon
    // did not answer in time (the connection is then abandoned), Retired when
    // the daemon had closed the connection as unused without reading it.
    CallOutcome call(MessageType type, std::vector<std::uint8_t> payload, const std::shared_ptr<Call>& call)
    {
        std::uint32_t id = 0;
        {
            std::lock_guard<std::mutex> guard(callsMutex);
            if (!alive)
                return retired ? CallOutcome::Retired : CallOutcome::Lost;
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
            return lostOutcome();
        }
        const ReadOutcome outcome = readReplyHere(*call);
        if (outcome == ReadOutcome::Answered)
            return answeredOutcome(*call);
        std::unique_lock<std::mutex> lock(call->mutex);
        if (outcome == ReadOutcome::OtherReader &&
            call->answeredChanged.wait_for(lock, replyTimeout, [&] { return call->answered || call->lost; }))
            return call->answered ? CallOutcome::Answered : lostOutcome();
        lock.unlock();
        bool unanswered = false;
        {
            std::lock_guard<std::mutex> guard(callsMutex);
            auto it = calls.find(id);
            if (it != calls.end() && !it->second->awaitingCompletion) {
                calls.erase(it);
                unanswered = true;
            }
        }
        if (unanswered) {
            abandon();
            return CallOutcome::TimedOut;
        }
        // The reader has already taken the reply and is about to hand it over.
        lock.lock();
        call->answeredChanged.wait(lock, [&] { return call->answered || call->lost; });
        return call->answered ? CallOutcome::Answered : lostOutcome();
    }

private:
    Connection(int fd, std::chrono::milliseconds replyTimeout, InterfaceWatch interfaceChanged)
        : fd(fd), replyTimeout(replyTimeout), interfaceChanged(std::move(interfaceChanged))
    {
    }

    CallOutcome answeredOutcome(Call& call)
    {
        std::lock_guard<std::mutex> guard(call.mutex);
        return call.answered ? CallOutcome::Answered : lostOutcome();
    }

    CallOutcome lostOutcome()
    {
        std::lock_guard<std::mutex> guard(callsMutex);
        return retired ? CallOutcome::Retired : CallOutcome::Lost;
    }

    // The daemon's first message: Welcome, or Refused when it cannot take us.
    bool awaitWelcome(Reachability& reach)
    {
        using State = Reachability::State;
        const auto deadline = std::chrono::steady_clock::now() + replyTimeout;
        std::lock_guard<std::mutex> guard(readMutex);
        Message first;
        for (;;) {
            const auto result = assembler.next(first);
            if (result == driverprotocol::MessageAssembler::Result::Message)
                break;
            if (result == driverprotocol::MessageAssembler::Result::Invalid) {
                reach = {State::NotRunning, "not a simulated driver"};
                return false;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd watched{fd, POLLIN, 0};
            const int ready = left.count() > 0 ? ::poll(&watched, 1, static_cast<int>(left.count())) : 0;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0) {
                reach = {State::Unanswered, "no answer within " + std::to_string(replyTimeout.count()) + " ms"};
                return false;
            }
            std::uint8_t chunk[512];
            const ssize_t n = ready > 0 ? ::recv(fd, chunk, sizeof chunk, 0) : -1;
            if (n <= 0) {
                reach = {State::NotRunning, "the daemon closed the connection"};
                return false;
            }
            assembler.append(chunk, static_cast<std::size_t>(n));
        }
        if (first.type == MessageType::Welcome)
            return true;
        driverprotocol::Reader refusal(first.payload);
        std::uint32_t why = 0;
        std::string text;
        if (first.type == MessageType::Refused && refusal.u32(why) && refusal.string(text) &&
            why == static_cast<std::uint32_t>(driverprotocol::RefusalReason::Busy))
            reach = {State::Busy, text};
        else
            reach = {State::NotRunning, "not a simulated driver"};
        return false;
    }

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
        const auto deadline = std::chrono::steady_clock::now() + replyTimeout;
        pollfd watched{fd, POLLIN, 0};
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(call.mutex);
                if (call.answered || call.lost)
                    return ReadOutcome::Answered;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
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
            driverprotocol::MessageAssembler::Result result;
            while ((result = assembler.next(message)) == driverprotocol::MessageAssembler::Result::Message)
                dispatch(message);
            if (result == driverprotocol::MessageAssembler::Result::Invalid)
                return false;
        }
    }

    void dispatch(Message& message)
    {
        if (message.requestId == 0) {
            std::uint32_t value = 0;
            driverprotocol::Reader reader(message.payload);
            if (message.type == MessageType::Notify && reader.u32(value))
                SetEvent(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)));
            InterfaceChange change;
            if (message.type == MessageType::InterfaceChange && reader.u32(value) &&
                reader.guid(change.interfaceClass) && reader.string(change.path) && reader.finished() &&
                interfaceChanged) {
                change.arrived = value != 0;
                interfaceChanged(change);
            }
            // Closed as unused: the daemon carried out nothing sent since, so
            // what is unanswered may be sent again on a new connection.
            if (message.type == MessageType::Refused && reader.u32(value) &&
                value == static_cast<std::uint32_t>(driverprotocol::RefusalReason::Unused)) {
                std::lock_guard<std::mutex> guard(callsMutex);
                retired = true;
            }
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
    const std::chrono::milliseconds replyTimeout;
    const InterfaceWatch interfaceChanged;
    std::thread reader;
    std::mutex readMutex;
    driverprotocol::MessageAssembler assembler; // guarded by readMutex
    std::mutex writeMutex;
    std::mutex callsMutex;
    bool alive = true;
    bool retired = false; // the daemon closed the connection as unused
    std::uint32_t nextRequestId = 1;
    std::map<std::uint32_t, std::shared_ptr<Call>> calls;
};

DriverSocketClient::DriverSocketClient(std::string socketPath, std::chrono::milliseconds replyTimeout)
    : socketPath(std::move(socketPath)), replyTimeout(replyTimeout)
{
}

DriverSocketClient::~DriverSocketClient() = default;

std::string DriverSocketClient::path() const
{
    return socketPath.empty() ? driverSocketPath() : socketPath;
}

std::shared_ptr<DriverSocketClient::Connection> DriverSocketClient::connection()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (current && current->isAlive())
        return current;
    current = Connection::open(path(), replyTimeout, lastReach,
                               [this](const InterfaceChange& change) { tellWatches(change); });
    // A new connection watches the interfaces again for those who asked.
    if (current && hasWatches())
        current->send(MessageType::WatchInterfaces, {});
    return current;
}

bool DriverSocketClient::hasWatches()
{
    std::lock_guard<std::mutex> guard(watchesMutex);
    return !watches.empty();
}

void DriverSocketClient::tellWatches(const InterfaceChange& change)
{
    std::vector<InterfaceWatch> told;
    {
        std::lock_guard<std::mutex> guard(watchesMutex);
        for (const auto& [id, watch] : watches)
            told.push_back(watch);
    }
    for (const auto& watch : told)
        watch(change);
}

std::uint64_t DriverSocketClient::watchInterfaces(InterfaceWatch watch)
{
    if (!watch)
        return 0;
    std::uint64_t id = 0;
    bool first = false;
    {
        std::lock_guard<std::mutex> guard(watchesMutex);
        id = nextWatchId++;
        first = watches.empty();
        watches.emplace(id, std::move(watch));
    }
    if (first) {
        std::shared_ptr<Connection> link;
        {
            std::lock_guard<std::mutex> guard(mutex);
            link = current && current->isAlive() ? current : nullptr;
        }
        if (link)
            link->send(MessageType::WatchInterfaces, {});
        else
            connection(); // connects and watches, when a daemon runs
    }
    return id;
}

void DriverSocketClient::unwatchInterfaces(std::uint64_t watchId)
{
    std::lock_guard<std::mutex> guard(watchesMutex);
    watches.erase(watchId);
}

bool DriverSocketClient::connected()
{
    return connection() != nullptr;
}

Reachability DriverSocketClient::reachability()
{
    std::lock_guard<std::mutex> guard(mutex);
    return lastReach;
}

void DriverSocketClient::noteOutcome(Outcome outcome)
{
    if (outcome != Outcome::TimedOut)
        return;
    std::lock_guard<std::mutex> guard(mutex);
    lastReach = {Reachability::State::Unanswered, "no answer within " + std::to_string(replyTimeout.count()) + " ms"};
}

DriverSocketClient::Outcome DriverSocketClient::exchange(MessageType type, const std::vector<std::uint8_t>& payload,
                                                         Message& reply, std::shared_ptr<Connection>* used)
{
    using CallOutcome = Connection::CallOutcome;
    for (int attempt = 0;; ++attempt) {
        auto link = connection();
        if (!link)
            return Outcome::Unreached;
        auto call = std::make_shared<Call>();
        const CallOutcome outcome = link->call(type, payload, call);
        if (outcome == CallOutcome::Retired && attempt == 0)
            continue;
        if (outcome == CallOutcome::Answered) {
            reply = std::move(call->first);
            if (used)
                *used = std::move(link);
            return Outcome::Answered;
        }
        const Outcome result = outcome == CallOutcome::TimedOut ? Outcome::TimedOut : Outcome::Lost;
        noteOutcome(result);
        return result;
    }
}

std::vector<std::string> DriverSocketClient::interfacePaths(const GUID& interfaceClass)
{
    Message reply;
    if (exchange(MessageType::InterfacePaths, driverprotocol::Writer().guid(interfaceClass).take(), reply) !=
        Outcome::Answered)
        return {};
    std::vector<std::string> paths;
    driverprotocol::Reader reader(reply.payload);
    std::uint32_t count = 0;
    if (reply.type != MessageType::PathList || !reader.u32(count))
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
    Message reply;
    std::shared_ptr<Connection> link;
    if (exchange(MessageType::Open, driverprotocol::Writer().string(path).take(), reply, &link) != Outcome::Answered)
        return ERROR_FILE_NOT_FOUND;
    driverprotocol::Reader reader(reply.payload);
    std::uint32_t error = 0;
    std::uint64_t remoteId = 0;
    if (reply.type != MessageType::OpenResult || !reader.u32(error) || !reader.u64(remoteId))
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
        link->send(MessageType::Close, driverprotocol::Writer().u64(file.remoteId).take());
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
    if (!link || inSize > driverprotocol::kMaxPayload - 64 || outSize > driverprotocol::kMaxPayload - 64) {
        result = IoResult{link ? DWORD(ERROR_INVALID_PARAMETER) : kDriverGoneStatus, 0};
        return true;
    }
    auto call = std::make_shared<Call>();
    call->out = out;
    call->outSize = outSize;
    call->onComplete = std::move(onComplete);
    auto payload = driverprotocol::Writer().u64(file.remoteId).u32(code).u32(outSize).bytes(in, inSize).take();
    const auto outcome = link->call(MessageType::Ioctl, std::move(payload), call);
    if (outcome != Connection::CallOutcome::Answered) {
        const bool timedOut = outcome == Connection::CallOutcome::TimedOut;
        noteOutcome(timedOut ? Outcome::TimedOut : Outcome::Lost);
        result = IoResult{timedOut ? kDriverTimeoutStatus : kDriverGoneStatus, 0};
        return true;
    }
    if (call->first.type == MessageType::IoPending)
        return false;
    result = decodeIoResult(call->first, out, outSize);
    return true;
}

std::optional<AdminReply> DriverSocketClient::admin(driverprotocol::AdminCommand command, std::uint32_t a,
                                                    std::uint32_t b)
{
    Message reply;
    if (exchange(MessageType::Admin,
                 driverprotocol::Writer().u32(static_cast<std::uint32_t>(command)).u32(a).u32(b).take(),
                 reply) != Outcome::Answered)
        return std::nullopt;
    AdminReply answer;
    driverprotocol::Reader reader(reply.payload);
    std::uint32_t error = 0;
    if (reply.type != MessageType::AdminResult || !reader.u32(error) || !reader.string(answer.text) ||
        !reader.u64(answer.nextSequence))
        return std::nullopt;
    answer.error = error;
    return answer;
}

} // namespace win32
