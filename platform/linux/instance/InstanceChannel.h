// One running instance per user, and the way another process reaches it. The
// instance holds a lock that only a live process can hold (win32::ProcessLock,
// beside the socket) and listens on a Unix socket in the user's private
// folder; a later start finds the lock taken, connects and hands over a short
// message, which the running program is given on its message thread. The
// mixer hands over its command line this way; the settings program's windows
// take the messages other processes post to them the same way.
//
// A hand-over counts as delivered once the running program's message thread
// has taken the message, so a program whose message thread hangs does not
// answer, and the sender hears so within a bounded time. (JUCE's own check on
// Linux is a machine-wide lock in /var/tmp, and its hand-over never reaches
// the running instance.)
#pragma once

#include <juce_events/juce_events.h>

#include <win32/ProcessLock.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

class InstanceChannel
{
public:
    // Called on the message thread with each message handed over.
    using Handler = std::function<void(const juce::String& message)>;

    explicit InstanceChannel(juce::String socketPath);
    ~InstanceChannel();

    // The socket a program listens on: $`overrideVariable` when set, else
    // `fileName` in the user's object folder (win32::userObjectFolder).
    static juce::String socketPathFor(const char* overrideVariable, const char* fileName);
    const juce::String& socketPath() const { return path; }

    struct Claim
    {
        enum class State {
            Claimed, // this process is the instance now
            Running, // a live process holds the instance lock
            Failed   // the lock cannot be used at all; `reason` says why
        };
        State state = State::Failed;
        std::string reason;

        explicit operator bool() const { return state == State::Claimed; }
    };

    // Takes the instance lock for the life of this object.
    Claim claim();

    enum class Delivery {
        Delivered,    // the running program's message thread took the message
        NotListening, // nobody listens at the socket (no instance, or one still starting)
        NoAnswer,     // the listener did not take the message within the time allowed
        Refused       // the socket's folder is not the user's own, or the path does not fit
    };

    // Hands `message` to the instance listening at `socketPath`, waiting at
    // most `answerMs` for it to be taken. Never waits longer.
    static Delivery handOver(const juce::String& socketPath, const juce::String& message,
                             int answerMs = defaultAnswerMs);

    // handOver, tried again for up to `patienceMs` while the running instance
    // is still starting and not yet listening. The last attempt's outcome.
    static Delivery handOverPatiently(const juce::String& socketPath, const juce::String& message, int patienceMs);

    // Starts taking messages; false when the socket cannot be set up.
    bool listen(Handler handler);

    // Longest message passed on; the rest is dropped.
    static constexpr size_t maxMessageBytes = 4096;
    // Connections served at once; more wait to be accepted.
    static constexpr size_t maxConnections = 32;
    static constexpr int defaultAnswerMs = 2000;

    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

private:
    struct Listening;
    struct Handing;
    struct Served;

    bool folderIsPrivate(bool createWhenMissing) const;
    void serve();
    bool readFrom(Served& served);
    bool post(Served& served);
    static void letGo(Served& served);

    const juce::String path;
    win32::ProcessLock lock;
    // Shared with the messages posted to the message thread, which do nothing
    // once the channel is gone.
    std::shared_ptr<Listening> listening;
    int listener{-1};
    int stopPipe[2]{-1, -1};
    juce::String boundPath;
    std::thread thread;
};
