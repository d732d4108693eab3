#include "InstanceChannel.h"

#include <win32/PrivateFolder.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <vector>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A connection must send its whole line within this time.
constexpr int lineTimeoutMs = 1000;
// How long a message may wait for the message thread before the sender is
// told that nobody answered; longer than any sender waits.
constexpr auto takeTimeout = std::chrono::seconds(5);
const char acknowledgement = '+';

bool fillAddress(const juce::String& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    const auto utf8 = path.toStdString();
    if (utf8.empty() || utf8.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, utf8.c_str(), utf8.size());
    return true;
}

bool waitFor(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    int result;
    do {
        result = ::poll(&p, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result > 0 && (p.revents & events) != 0;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Connects without blocking: a listener too stuck to accept, whose queue is
// full, refuses at once rather than making the sender wait.
bool connectNow(int fd, const sockaddr_un& address, int answerMs)
{
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return true;
    return errno == EINPROGRESS && waitFor(fd, POLLOUT, answerMs);
}

} // namespace

// What the listener thread shares with the messages it posts.
struct InstanceChannel::Listening
{
    Handler handler;
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
};

InstanceChannel::InstanceChannel(juce::String socketPath)
    : path(std::move(socketPath)), lock(path.toStdString() + ".lock")
{
}

InstanceChannel::~InstanceChannel()
{
    if (thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(listening->mutex);
            listening->stopping = true;
        }
        listening->changed.notify_all();
        const char stop = 0;
        [[maybe_unused]] auto written = ::write(stopPipe[1], &stop, 1);
        thread.join();
    }
    if (boundPath.isNotEmpty())
        ::unlink(boundPath.toRawUTF8());
    for (int fd : {listener, stopPipe[0], stopPipe[1]})
        if (fd >= 0)
            ::close(fd);
}

juce::String InstanceChannel::socketPathFor(const char* overrideVariable, const char* fileName)
{
    const auto overridden = juce::SystemStats::getEnvironmentVariable(overrideVariable, {});
    if (overridden.isNotEmpty())
        return overridden;
    return juce::String(win32::userObjectFolder()) + "/" + fileName;
}

// The socket and its lock live only in a folder that is this user's own, so
// nobody else can answer in our place or hold our lock. The object folder is
// created when missing; a folder someone else made is refused.
bool InstanceChannel::folderIsPrivate(bool createWhenMissing) const
{
    const auto folder = win32::parentFolder(path.toStdString());
    const auto check = createWhenMissing ? win32::makePrivateFolder(folder) : win32::checkPrivateFolder(folder);
    return check.isPrivate();
}

InstanceChannel::Claim InstanceChannel::claim()
{
    switch (lock.acquire()) {
    case win32::ProcessLock::Outcome::Acquired:
    case win32::ProcessLock::Outcome::Abandoned:
        return {Claim::State::Claimed, {}};
    case win32::ProcessLock::Outcome::Busy:
        return {Claim::State::Running, {}};
    case win32::ProcessLock::Outcome::Failed:
        break;
    }
    return {Claim::State::Failed, lock.failure()};
}

InstanceChannel::Delivery InstanceChannel::handOverPatiently(const juce::String& socketPath,
                                                             const juce::String& message, int patienceMs)
{
    const auto giveUpAt = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(patienceMs);
    for (;;) {
        const Delivery delivery = handOver(socketPath, message);
        if (delivery != Delivery::NotListening || juce::Time::getMillisecondCounter() >= giveUpAt)
            return delivery;
        juce::Thread::sleep(50);
    }
}

InstanceChannel::Delivery InstanceChannel::handOver(const juce::String& socketPath, const juce::String& message,
                                                    int answerMs)
{
    sockaddr_un address;
    if (!fillAddress(socketPath, address) ||
        !win32::checkPrivateFolder(win32::parentFolder(socketPath.toStdString())).isPrivate())
        return Delivery::Refused;

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Delivery::NotListening;

    Delivery delivery = Delivery::NotListening;
    if (connectNow(fd, address, answerMs)) {
        auto bytes = message.toStdString().substr(0, maxMessageBytes - 1);
        bytes += '\n';
        char reply = 0;
        const bool answered = writeAll(fd, bytes.data(), bytes.size()) && waitFor(fd, POLLIN, answerMs) &&
                              ::recv(fd, &reply, 1, 0) == 1 && reply == acknowledgement;
        delivery = answered ? Delivery::Delivered : Delivery::NoAnswer;
    } else if (errno == EAGAIN) {
        delivery = Delivery::NoAnswer; // a queue nobody empties
    }
    ::close(fd);
    return delivery;
}

bool InstanceChannel::listen(Handler handler)
{
    if (thread.joinable())
        return true;

    sockaddr_un address;
    if (!fillAddress(path, address) || !folderIsPrivate(true))
        return false;

    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0)
        return false;

    // The caller is the instance, so a file at the path is left over from a
    // program that did not end cleanly.
    ::unlink(path.toRawUTF8());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 16) != 0 || ::pipe2(stopPipe, O_CLOEXEC) != 0) {
        ::close(listener);
        listener = -1;
        return false;
    }
    ::chmod(path.toRawUTF8(), 0600);
    boundPath = path;
    listening = std::make_shared<Listening>();
    listening->handler = std::move(handler);
    thread = std::thread([this] { serve(); });
    return true;
}

// What the listener and the message thread share of one connection whose
// message was posted: the message thread answers on it, unless its sender
// has hung up, or the listener has let it go.
struct InstanceChannel::Handing
{
    std::mutex mutex;
    int fd = -1; // -1 once the listener has closed it
    bool taken = false;
};

namespace {

using Clock = std::chrono::steady_clock;

// The sender hung up (it closed its end, having given up): POLLHUP only, as a
// sender that merely half-closed its end still waits for the answer.
bool senderHungUp(int fd)
{
    pollfd p{fd, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

} // namespace

// One connection the listener serves: its line as it arrives, then, once
// posted, its hand-over until the sender hears or goes.
struct InstanceChannel::Served
{
    int fd = -1;
    std::string bytes;
    Clock::time_point deadline;
    std::shared_ptr<Handing> handing; // set once the message is posted
};

void InstanceChannel::letGo(Served& served)
{
    if (served.handing) {
        std::lock_guard<std::mutex> guard(served.handing->mutex);
        served.handing->fd = -1;
    }
    ::close(served.fd);
    served.fd = -1;
}

// Every connection is served at once, each within a bounded time, so none
// holds up the others: a line must arrive within lineTimeoutMs of the
// connection, and a hand-over not taken within takeTimeout is let go. A
// message whose sender has given up (hung up) before the message thread takes
// it is dropped, never carried out late.
void InstanceChannel::serve()
{
    std::vector<Served> connections;
    std::vector<pollfd> fds;
    for (;;) {
        const auto now = Clock::now();
        int waitMs = -1;
        for (const Served& served : connections) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(served.deadline - now).count();
            const int ms = static_cast<int>(std::max<long long>(0, left) + 1);
            waitMs = waitMs < 0 ? ms : std::min(waitMs, ms);
        }
        fds.clear();
        fds.push_back({stopPipe[0], POLLIN, 0});
        fds.push_back({listener, static_cast<short>(connections.size() < maxConnections ? POLLIN : 0), 0});
        for (const Served& served : connections)
            fds.push_back({served.fd, static_cast<short>(served.handing ? 0 : POLLIN), 0});
        if (::poll(fds.data(), fds.size(), waitMs) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break;

        for (std::size_t i = 0; i < connections.size(); ++i) {
            Served& served = connections[i];
            const short events = fds[i + 2].revents;
            if (served.handing) {
                // The sender went, after its answer or having given up.
                if (events != 0 || Clock::now() >= served.deadline)
                    letGo(served);
                continue;
            }
            if (events != 0 && !readFrom(served))
                letGo(served);
            else if (served.fd >= 0 && Clock::now() >= served.deadline)
                letGo(served); // too slow to send its line
        }
        connections.erase(
            std::remove_if(connections.begin(), connections.end(), [](const Served& served) { return served.fd < 0; }),
            connections.end());

        if ((fds[1].revents & POLLIN) != 0)
            for (int fd; connections.size() < maxConnections &&
                         (fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;)
                connections.push_back({fd, {}, Clock::now() + std::chrono::milliseconds(lineTimeoutMs), nullptr});
    }
    for (Served& served : connections)
        letGo(served);
}

// Reads what has arrived; posts the line once whole (or once it is as long
// as a message may be). False when the connection is done with.
bool InstanceChannel::readFrom(Served& served)
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::recv(served.fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        if (n == 0)
            return false; // closed before a whole line arrived
        served.bytes.append(buffer, static_cast<size_t>(n));
        const auto end = served.bytes.find('\n');
        if (end == std::string::npos && served.bytes.size() < maxMessageBytes)
            continue;
        served.bytes.resize(std::min({end, served.bytes.size(), maxMessageBytes}));
        return post(served);
    }
}

// Hands the line to the message thread, which answers the sender once it takes it.
bool InstanceChannel::post(Served& served)
{
    const auto message = juce::String::fromUTF8(served.bytes.data(), static_cast<int>(served.bytes.size()));
    auto handing = std::make_shared<Handing>();
    handing->fd = served.fd;
    std::weak_ptr<Listening> weak = listening;
    const bool posted = juce::MessageManager::callAsync([weak, handing, message] {
        auto live = weak.lock();
        if (!live)
            return;
        {
            std::lock_guard<std::mutex> guard(handing->mutex);
            if (handing->fd < 0 || senderHungUp(handing->fd))
                return; // its sender gave up: not carried out late
            handing->taken = true;
            ::send(handing->fd, &acknowledgement, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        live->handler(message);
    });
    if (!posted)
        return false;
    served.handing = std::move(handing);
    served.deadline = Clock::now() + takeTimeout;
    return true;
}
