// The user's D-Bus session bus, through sd-bus, driven from JUCE's message
// thread: the connection's file descriptor sits in JUCE's event loop and its
// timeouts in a JUCE timer, so no second main loop runs. Everything here runs
// on the message thread.
#pragma once

#include <systemd/sd-bus.h>

#include <juce_events/juce_events.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace win32::detail {

class SessionBus : private juce::Timer
{
public:
    // The connection, made on first use; null when no session bus answers.
    static SessionBus* get();
    // Drops the connection (the next get() connects afresh). For tests.
    static void disconnect();

    ~SessionBus() override;

    sd_bus* bus() const { return connection; }
    std::string uniqueName() const;

    // Handles what has arrived and sends what is queued; called after sending.
    void pump();

    // Whether a connection on the bus owns `name` (a bounded, synchronous question).
    bool hasOwner(const std::string& name);

    // Calls `changed` with true when a connection comes to own `name` and with
    // false when its owner leaves. The watch lasts as long as the returned slot.
    using OwnerWatch = std::function<void(bool owned)>;
    std::shared_ptr<void> watchOwner(const std::string& name, OwnerWatch changed);

    // Sends a method call and waits for its reply, handling calls that reach
    // this connection meanwhile; null (with `error` set) on failure or timeout.
    sd_bus_message* callAndWait(sd_bus_message* call, std::chrono::milliseconds timeout, std::string& error);
    // Whether a callAndWait is under way further up the stack.
    bool isWaiting() const { return waiting > 0; }

    // `release` is called when the connection is about to close, while it is
    // still usable: whatever holds names, objects or slots on it lets them go
    // then, not on a connection already freed.
    void whenClosing(std::function<void()> release);

    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

private:
    explicit SessionBus(sd_bus* connection);
    void timerCallback() override;
    void scheduleNextPump();

    sd_bus* connection;
    int fd;
    int waiting = 0;
    bool closing = false;
    std::vector<std::function<void()>> releases;
};

} // namespace win32::detail
