#include "InstanceChannel.h"

#include <win32/PrivateFolder.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int replyTimeoutMs = 2000;
constexpr int readTimeoutMs = 1000;
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

} // namespace

InstanceChannel::~InstanceChannel()
{
    if (thread.joinable()) {
        const char stop = 0;
        [[maybe_unused]] auto written = ::write(stopPipe[1], &stop, 1);
        thread.join();
    }
    if (boundPath.isNotEmpty())
        ::unlink(boundPath.toRawUTF8());
    for (int fd : {listener, stopPipe[0], stopPipe[1], lockFile})
        if (fd >= 0)
            ::close(fd);
}

juce::String InstanceChannel::socketPath()
{
    const auto overridden = juce::SystemStats::getEnvironmentVariable("TESSARY_MIXER_INSTANCE_SOCKET", {});
    if (overridden.isNotEmpty())
        return overridden;

    const auto runtime = juce::SystemStats::getEnvironmentVariable("XDG_RUNTIME_DIR", {});
    if (runtime.isNotEmpty() && juce::File::isAbsolutePath(runtime) && juce::File(runtime).isDirectory())
        return juce::File(runtime).getChildFile("tessary-mixer.sock").getFullPathName();

    const auto folder = "/tmp/tessary-mixer-" + juce::String(static_cast<int>(::getuid()));
    return folder + "/instance.sock";
}

// The socket and its lock live only in a folder that is this user's own, so
// nobody else can answer in our place or hold our lock. The fallback under
// /tmp is created when missing; a folder someone else made there is refused.
bool InstanceChannel::folderIsPrivate(bool createWhenMissing)
{
    const auto folder = win32::parentFolder(socketPath().toStdString());
    const auto check = createWhenMissing ? win32::makePrivateFolder(folder) : win32::checkPrivateFolder(folder);
    if (check.state == win32::FolderCheck::State::Unsafe)
        std::fprintf(stderr, "TessaryMixer: instance socket not used: %s\n", check.reason.c_str());
    return check.isPrivate();
}

bool InstanceChannel::claim()
{
    if (lockFile >= 0)
        return true;
    if (!folderIsPrivate(true))
        return false;
    const auto path = socketPath() + ".lock";
    const int fd = ::open(path.toRawUTF8(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFile = fd;
    return true;
}

bool InstanceChannel::handOverPatiently(const juce::String& commandLine, int patienceMs)
{
    const auto giveUpAt = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(patienceMs);
    while (!handOver(commandLine)) {
        if (juce::Time::getMillisecondCounter() >= giveUpAt)
            return false;
        juce::Thread::sleep(50);
    }
    return true;
}

bool InstanceChannel::handOver(const juce::String& commandLine)
{
    sockaddr_un address;
    if (!fillAddress(socketPath(), address) || !folderIsPrivate(false))
        return false;

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;

    bool accepted = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
        auto message = commandLine.toStdString().substr(0, maxMessageBytes - 1);
        message += '\n';
        char reply = 0;
        accepted = writeAll(fd, message.data(), message.size()) && waitFor(fd, POLLIN, replyTimeoutMs) &&
                   ::recv(fd, &reply, 1, 0) == 1 && reply == acknowledgement;
    }
    ::close(fd);
    return accepted;
}

bool InstanceChannel::listen(Handler newHandler)
{
    if (thread.joinable())
        return true;

    sockaddr_un address;
    const auto path = socketPath();
    if (!fillAddress(path, address) || !folderIsPrivate(true))
        return false;

    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return false;

    // The caller holds the instance lock, so a file at the path is left over
    // from a program that did not end cleanly.
    ::unlink(path.toRawUTF8());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 4) != 0 || ::pipe2(stopPipe, O_CLOEXEC) != 0) {
        ::close(listener);
        listener = -1;
        return false;
    }
    ::chmod(path.toRawUTF8(), 0600);
    boundPath = path;
    handler = std::make_shared<Handler>(std::move(newHandler));
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
    std::string message;
    char buffer[512];
    while (message.size() < maxMessageBytes && message.find('\n') == std::string::npos) {
        if (!waitFor(connection, POLLIN, readTimeoutMs))
            return;
        const ssize_t n = ::recv(connection, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        message.append(buffer, static_cast<size_t>(n));
    }
    const auto end = message.find('\n');
    if (end == std::string::npos && message.size() < maxMessageBytes)
        return; // closed before a whole line arrived
    message.resize(std::min({end, message.size(), maxMessageBytes}));

    const auto commandLine = juce::String::fromUTF8(message.data(), static_cast<int>(message.size()));
    std::weak_ptr<Handler> callback = handler;
    juce::MessageManager::callAsync([callback, commandLine] {
        if (auto live = callback.lock())
            (*live)(commandLine);
    });
    writeAll(connection, &acknowledgement, 1);
}
