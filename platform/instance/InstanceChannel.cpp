#include "InstanceChannel.h"

#include <win32/PrivateFolder.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int readTimeoutMs = 1000;
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

    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return false;

    // The caller is the instance, so a file at the path is left over from a
    // program that did not end cleanly.
    ::unlink(path.toRawUTF8());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 4) != 0 || ::pipe2(stopPipe, O_CLOEXEC) != 0) {
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

void InstanceChannel::serve()
{
    for (;;) {
        pollfd fds[2] = {{listener, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;

        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            answer(connection);
            ::close(connection);
        }
    }
}

void InstanceChannel::answer(int connection)
{
    // A line of at most maxMessageBytes; a peer that sends nothing in time is dropped.
    std::string bytes;
    char buffer[512];
    while (bytes.size() < maxMessageBytes && bytes.find('\n') == std::string::npos) {
        if (!waitFor(connection, POLLIN, readTimeoutMs))
            return;
        const ssize_t n = ::recv(connection, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    const auto end = bytes.find('\n');
    if (end == std::string::npos && bytes.size() < maxMessageBytes)
        return; // closed before a whole line arrived
    bytes.resize(std::min({end, bytes.size(), maxMessageBytes}));

    // Answered once the message thread takes the message, so that a sender
    // learns when the program no longer runs its messages.
    const auto message = juce::String::fromUTF8(bytes.data(), static_cast<int>(bytes.size()));
    auto taken = std::make_shared<bool>(false);
    std::weak_ptr<Listening> weak = listening;
    const bool posted = juce::MessageManager::callAsync([weak, taken, message] {
        auto live = weak.lock();
        if (!live)
            return;
        {
            std::lock_guard<std::mutex> guard(live->mutex);
            *taken = true;
        }
        live->changed.notify_all();
        live->handler(message);
    });
    if (!posted)
        return;
    std::unique_lock<std::mutex> wait(listening->mutex);
    if (listening->changed.wait_for(wait, takeTimeout, [&] { return *taken || listening->stopping; }) && *taken)
        writeAll(connection, &acknowledgement, 1);
}
