// Keeps the mixer to one running instance per user. The first start holds a
// lock file beside the socket and listens on a Unix socket in the user's
// runtime folder; a later start finds the lock taken, connects, hands over its
// command line and exits, and the running program is told on its message
// thread. (JUCE's own check on Linux is a machine-wide lock in /var/tmp, and
// its hand-over never reaches the running instance.)
#pragma once

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class InstanceChannel
{
public:
    // Called on the message thread with the command line of a later start.
    using Handler = std::function<void(const juce::String& commandLine)>;

    InstanceChannel() = default;
    ~InstanceChannel();

    // The socket of this user: $TESSARY_MIXER_INSTANCE_SOCKET, else a file in
    // $XDG_RUNTIME_DIR, else in a private folder under /tmp. Its folder must be
    // the user's own and writable by nobody else, or nothing is done there.
    static juce::String socketPath();

    // Takes this user's instance lock for the life of this object. False when
    // another instance holds it (or the lock file cannot be opened).
    bool claim();

    // Tells a running instance that the program was started again. Returns
    // true when one took the hand-over; false when none is listening.
    static bool handOver(const juce::String& commandLine);

    // handOver, tried again for up to `patienceMs` while the running instance
    // is still starting and not yet listening.
    static bool handOverPatiently(const juce::String& commandLine, int patienceMs);

    // Starts answering later starts; returns false when the socket cannot be set up.
    bool listen(Handler handler);

    // Longest command line passed on; the rest is dropped.
    static constexpr size_t maxMessageBytes = 4096;

    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

private:
    static bool folderIsPrivate(bool createWhenMissing);
    void serve();
    void answer(int connection);

    // Shared with the messages posted to the message thread, which do nothing
    // once the channel is gone.
    std::shared_ptr<Handler> handler;
    int lockFile{-1};
    int listener{-1};
    int stopPipe[2]{-1, -1};
    juce::String boundPath;
    std::thread thread;
};
