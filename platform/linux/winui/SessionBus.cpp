#include "SessionBus.h"

#include <ctime>
#include <poll.h>

namespace win32::detail {

namespace {

constexpr auto kOwnerQuestionTimeout = std::chrono::milliseconds(2000);
constexpr int kWriteRetryMs = 10;

std::unique_ptr<SessionBus>& instance()
{
    static std::unique_ptr<SessionBus> bus;
    return bus;
}

std::uint64_t monotonicMicroseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

struct PendingReply
{
    bool done = false;
    sd_bus_message* reply = nullptr;
    std::string error;
};

int takeReply(sd_bus_message* reply, void* userdata, sd_bus_error* error)
{
    auto* pending = static_cast<PendingReply*>(userdata);
    pending->done = true;
    if (sd_bus_error_is_set(error) || sd_bus_message_is_method_error(reply, nullptr)) {
        const sd_bus_error* failure = sd_bus_message_get_error(reply);
        pending->error = failure != nullptr && failure->message != nullptr ? failure->message : "the call failed";
        return 0;
    }
    pending->reply = sd_bus_message_ref(reply);
    return 0;
}

struct Watch
{
    std::string name;
    SessionBus::OwnerWatch changed;
    sd_bus_slot* slot = nullptr;
    std::weak_ptr<Watch> self;
    ~Watch() { sd_bus_slot_unref(slot); }
};

int ownerChanged(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &oldOwner, &newOwner) < 0)
        return 0;
    auto* watch = static_cast<Watch*>(userdata);
    if (name == nullptr || watch->name != name)
        return 0;
    // Called back later, so that the watcher may add and drop watches itself;
    // a watch dropped meanwhile hears nothing.
    const bool owned = newOwner != nullptr && *newOwner != '\0';
    juce::MessageManager::callAsync([weak = watch->self, owned] {
        if (auto live = weak.lock())
            live->changed(owned);
    });
    return 0;
}

} // namespace

SessionBus* SessionBus::get()
{
    auto& bus = instance();
    if (bus != nullptr)
        return bus.get();
    sd_bus* connection = nullptr;
    if (sd_bus_open_user(&connection) < 0)
        return nullptr;
    // A bus that cannot say who we are is not one to rely on.
    const char* unique = nullptr;
    if (sd_bus_get_unique_name(connection, &unique) < 0) {
        sd_bus_flush_close_unref(connection);
        return nullptr;
    }
    bus.reset(new SessionBus(connection));
    return bus.get();
}

void SessionBus::disconnect()
{
    instance().reset();
}

SessionBus::SessionBus(sd_bus* bus) : connection(bus), fd(sd_bus_get_fd(bus))
{
    juce::LinuxEventLoop::registerFdCallback(fd, [this](int) { pump(); });
    pump();
}

SessionBus::~SessionBus()
{
    closing = true;
    stopTimer();
    // Latest first, as they were taken; each may still talk on the connection.
    for (auto release = releases.rbegin(); release != releases.rend(); ++release)
        (*release)();
    juce::LinuxEventLoop::unregisterFdCallback(fd);
    sd_bus_flush_close_unref(connection);
}

std::string SessionBus::uniqueName() const
{
    const char* unique = nullptr;
    return sd_bus_get_unique_name(connection, &unique) >= 0 && unique != nullptr ? unique : "";
}

void SessionBus::pump()
{
    while (sd_bus_process(connection, nullptr) > 0) {
    }
    if (!closing)
        scheduleNextPump();
}

void SessionBus::whenClosing(std::function<void()> release)
{
    releases.push_back(std::move(release));
}

void SessionBus::scheduleNextPump()
{
    // Output the socket would not take yet, or a timeout sd-bus keeps (a call's reply).
    int wait = -1;
    if ((sd_bus_get_events(connection) & POLLOUT) != 0)
        wait = kWriteRetryMs;
    std::uint64_t until = 0;
    if (sd_bus_get_timeout(connection, &until) > 0 && until != UINT64_MAX) {
        const std::uint64_t now = monotonicMicroseconds();
        const int due = until <= now ? 0 : static_cast<int>(std::min<std::uint64_t>((until - now) / 1000 + 1, 60000));
        wait = wait < 0 ? due : std::min(wait, due);
    }
    if (wait < 0)
        stopTimer();
    else
        startTimer(std::max(wait, 1));
}

void SessionBus::timerCallback()
{
    pump();
}

bool SessionBus::hasOwner(const std::string& name)
{
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(connection, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "NameHasOwner") < 0)
        return false;
    sd_bus_message_append(call, "s", name.c_str());
    std::string error;
    sd_bus_message* reply = callAndWait(call, kOwnerQuestionTimeout, error);
    sd_bus_message_unref(call);
    int owned = 0;
    if (reply != nullptr)
        sd_bus_message_read(reply, "b", &owned);
    sd_bus_message_unref(reply);
    return owned != 0;
}

std::shared_ptr<void> SessionBus::watchOwner(const std::string& name, OwnerWatch changed)
{
    auto watch = std::make_shared<Watch>();
    watch->self = watch;
    watch->name = name;
    watch->changed = std::move(changed);
    const std::string rule = "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                             "member='NameOwnerChanged',arg0='" +
                             name + "'";
    if (sd_bus_add_match(connection, &watch->slot, rule.c_str(), &ownerChanged, watch.get()) < 0)
        return nullptr;
    pump();
    return watch;
}

sd_bus_message* SessionBus::callAndWait(sd_bus_message* call, std::chrono::milliseconds timeout, std::string& error)
{
    PendingReply pending;
    sd_bus_slot* slot = nullptr;
    const auto usec = static_cast<std::uint64_t>(timeout.count()) * 1000u;
    if (sd_bus_call_async(connection, &slot, call, &takeReply, &pending, usec) < 0) {
        error = "the call could not be sent";
        return nullptr;
    }
    ++waiting;
    const std::uint64_t giveUpAt = monotonicMicroseconds() + usec;
    while (!pending.done) {
        const int processed = sd_bus_process(connection, nullptr);
        if (processed < 0)
            break;
        if (processed > 0)
            continue;
        const std::uint64_t now = monotonicMicroseconds();
        if (now >= giveUpAt)
            break;
        sd_bus_wait(connection, giveUpAt - now);
    }
    --waiting;
    sd_bus_slot_unref(slot);
    if (!pending.done)
        error = "no answer in time";
    else if (pending.reply == nullptr && error.empty())
        error = pending.error;
    scheduleNextPump();
    return pending.reply;
}

} // namespace win32::detail
