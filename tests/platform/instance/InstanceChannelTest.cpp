// The per-user instance lock and socket: hand-over to a listening instance,
// what a listener does with malformed or hostile connections, and what a
// sender hears from an instance that cannot answer.
#include "InstanceChannel.h"
#include "MessageLoop.h"

#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <thread>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

class InstanceChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::createTempFile("instance-channel");
        ASSERT_TRUE(folder.createDirectory());
    }

    void TearDown() override { folder.deleteRecursively(); }

    juce::File socket() const { return folder.getChildFile("instance.sock"); }
    juce::String path() const { return socket().getFullPathName(); }
    InstanceChannel::Delivery handOver(const juce::String& message) const
    {
        return InstanceChannel::handOver(path(), message);
    }

    // A hand-over from another thread, as a second program makes it, while
    // this thread runs the message loop that takes it.
    InstanceChannel::Delivery handOverWhileRunning(const juce::String& message)
    {
        std::atomic<bool> done{false};
        auto delivery = InstanceChannel::Delivery::NotListening;
        std::thread second([&] {
            delivery = handOver(message);
            done = true;
        });
        testing_loop::pumpUntil([&] { return done.load(); });
        second.join();
        return delivery;
    }

    // Connects, writes `bytes`, half-closes, and returns the byte answered ('\0' for none).
    char sendRaw(const std::string& bytes)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket().getFullPathName().toRawUTF8());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        char reply = 0;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            ::shutdown(fd, SHUT_WR);
            timeval timeout{3, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            if (::recv(fd, &reply, 1, 0) != 1)
                reply = 0;
        }
        ::close(fd);
        return reply;
    }

    juce::File folder;
    std::vector<juce::String> received;
    InstanceChannel::Handler record = [this](const juce::String& line) { received.push_back(line); };
};

TEST_F(InstanceChannelTest, OnlyOneInstanceHoldsTheLock)
{
    auto first = std::make_unique<InstanceChannel>(path());
    ASSERT_TRUE(first->claim());
    InstanceChannel second(path());
    EXPECT_EQ(second.claim().state, InstanceChannel::Claim::State::Running);
    first.reset();
    EXPECT_TRUE(second.claim()) << "the lock goes with the instance that held it";
}

TEST_F(InstanceChannelTest, PatientHandOverWaitsForAStartingInstance)
{
    InstanceChannel channel(path());
    ASSERT_TRUE(channel.claim());
    std::atomic<bool> done{false};
    auto delivery = InstanceChannel::Delivery::NotListening;
    std::thread second([&] {
        delivery = InstanceChannel::handOverPatiently(path(), "late", 3000);
        done = true;
    });
    testing_loop::pumpFor(150ms); // the running instance is still building its window
    ASSERT_TRUE(channel.listen(record));
    testing_loop::pumpUntil([&] { return done.load(); });
    second.join();
    EXPECT_EQ(delivery, InstanceChannel::Delivery::Delivered);
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return received.size() == 1 && received[0] == "late"; }));
}

TEST_F(InstanceChannelTest, AnInstanceWhoseMessageThreadHangsDoesNotAnswer)
{
    InstanceChannel channel(path());
    ASSERT_TRUE(channel.claim());
    ASSERT_TRUE(channel.listen(record));
    // This thread, the instance's message thread, runs no messages meanwhile.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(InstanceChannel::handOverPatiently(path(), "anyone?", 3000), InstanceChannel::Delivery::NoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << "the sender gives up after its answer time";
}

TEST_F(InstanceChannelTest, HandOverReachesTheListenerOnTheMessageThread)
{
    EXPECT_EQ(handOver("--nobody"), InstanceChannel::Delivery::NotListening) << "nothing listens yet";

    InstanceChannel channel(path());
    bool onMessageThread = false;
    ASSERT_TRUE(channel.listen([&](const juce::String& line) {
        onMessageThread = juce::MessageManager::getInstance()->isThisTheMessageThread();
        received.push_back(line);
    }));
    struct stat info
    {
    };
    ASSERT_EQ(::stat(socket().getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "only this user may hand over";

    EXPECT_EQ(handOverWhileRunning("--show me"), InstanceChannel::Delivery::Delivered);
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received.front(), "--show me");
    EXPECT_TRUE(onMessageThread);
}

TEST_F(InstanceChannelTest, ListenerIgnoresBrokenMessagesAndCutsLongOnes)
{
    InstanceChannel channel(path());
    ASSERT_TRUE(channel.listen(record));

    EXPECT_EQ(sendRaw("no end of line"), 0) << "a message cut off before its end is not taken";
    EXPECT_EQ(sendRaw(""), 0);
    // Taken messages are answered once the message thread has them, so the loop runs meanwhile.
    char odd = 0, overlong = 0;
    std::thread sender([&] {
        odd = sendRaw(std::string("\xff\xfe\x00 odd bytes\n", 14));
        overlong = sendRaw(std::string(3 * InstanceChannel::maxMessageBytes, 'x'));
    });
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return received.size() == 2; }));
    sender.join();
    EXPECT_EQ(odd, '+');
    EXPECT_EQ(overlong, '+') << "overlong, no end of line";

    testing_loop::pumpFor(20ms);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].length(), static_cast<int>(InstanceChannel::maxMessageBytes));

    // After all that the channel still serves a proper start.
    EXPECT_EQ(handOverWhileRunning("again"), InstanceChannel::Delivery::Delivered);
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return received.size() == 3 && received[2] == "again"; }));
}

// Clients that trickle a byte every 0.9 s, or hold a connection without a
// word, must not hold up a start behind them: each connection is served on
// its own, within a bounded time.
TEST_F(InstanceChannelTest, SlowClientsHoldUpNoOtherHandOver)
{
    InstanceChannel channel(path());
    ASSERT_TRUE(channel.listen(record));
    std::atomic<bool> stop{false};
    std::atomic<int> cutOff{0};
    std::vector<std::thread> tricklers;
    for (int i = 0; i < 3; ++i)
        tricklers.emplace_back([&, silent = i == 2] {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path().toRawUTF8());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                while (!stop) {
                    if (!silent && ::send(fd, "x", 1, MSG_NOSIGNAL) != 1) {
                        ++cutOff;
                        break;
                    }
                    for (int waited = 0; waited < 9 && !stop; ++waited)
                        std::this_thread::sleep_for(100ms);
                }
            ::close(fd);
        });
    std::this_thread::sleep_for(200ms);
    for (const char* start : {"restore", "/e"}) {
        const auto began = std::chrono::steady_clock::now();
        EXPECT_EQ(handOverWhileRunning(start), InstanceChannel::Delivery::Delivered) << start;
        EXPECT_LT(std::chrono::steady_clock::now() - began, 500ms) << start;
    }
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return cutOff.load() == 2; }, 5s))
        << "a trickling client keeps its connection for ever";
    stop = true;
    for (auto& trickler : tricklers)
        trickler.join();
    EXPECT_EQ(received, (std::vector<juce::String>{"restore", "/e"}));
}

// A sender that gave up waiting (its answer time passed while the message
// thread was busy) was told nothing was done: the message is dropped, never
// carried out later, when the sender can no longer tell.
TEST_F(InstanceChannelTest, AHandOverWhoseSenderGaveUpIsNotCarriedOutLater)
{
    InstanceChannel channel(path());
    ASSERT_TRUE(channel.listen(record));
    // This thread, the message thread, is busy meanwhile.
    EXPECT_EQ(InstanceChannel::handOver(path(), "/e", 300), InstanceChannel::Delivery::NoAnswer);
    testing_loop::pumpFor(200ms);
    EXPECT_TRUE(received.empty()) << "carried out after its sender had given up";
    EXPECT_EQ(handOverWhileRunning("/e"), InstanceChannel::Delivery::Delivered);
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return received.size() == 1; }));
}

TEST_F(InstanceChannelTest, ReplacesALeftOverSocketAndRemovesItsOwn)
{
    // A socket file that nobody serves, as a crashed instance leaves behind.
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket().getFullPathName().toRawUTF8());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(socket().exists());
    EXPECT_EQ(handOver({}), InstanceChannel::Delivery::NotListening) << "a dead socket is not a running instance";

    {
        InstanceChannel channel(path());
        ASSERT_TRUE(channel.listen(record));
        EXPECT_EQ(handOverWhileRunning({}), InstanceChannel::Delivery::Delivered);
    }
    EXPECT_FALSE(socket().exists()) << "the listener removes its socket when it ends";
}

TEST_F(InstanceChannelTest, AHandOverStillQueuedWhenTheChannelEndsIsDropped)
{
    auto channel = std::make_unique<InstanceChannel>(path());
    ASSERT_TRUE(channel->listen(record));
    InstanceChannel::Delivery delivery = InstanceChannel::Delivery::Delivered;
    std::thread second([&] { delivery = InstanceChannel::handOver(path(), "too late", 300); });
    second.join();
    EXPECT_EQ(delivery, InstanceChannel::Delivery::NoAnswer) << "the message thread did not take it";
    channel.reset(); // before the message loop has run
    testing_loop::pumpFor(30ms);
    EXPECT_TRUE(received.empty());
}

TEST_F(InstanceChannelTest, KeepsOutOfAFolderOthersCanWrite)
{
    InstanceChannel running(path());
    ASSERT_TRUE(running.claim());
    ASSERT_TRUE(running.listen(record));
    ::chmod(folder.getFullPathName().toRawUTF8(), 0777); // another user could now answer in its place
    EXPECT_EQ(handOver("--to whom?"), InstanceChannel::Delivery::Refused);
    testing_loop::pumpFor(30ms);
    EXPECT_TRUE(received.empty());

    InstanceChannel second(path());
    const auto claim = second.claim();
    EXPECT_EQ(claim.state, InstanceChannel::Claim::State::Failed) << "not taken for a running instance";
    EXPECT_NE(claim.reason.find("can be written by other users"), std::string::npos) << claim.reason;
    EXPECT_FALSE(second.listen(record));
}

TEST_F(InstanceChannelTest, RefusesASocketPathThatDoesNotFit)
{
    const juce::String tooLong = "/tmp/" + juce::String::repeatedString("a", 200);
    InstanceChannel channel(tooLong);
    EXPECT_FALSE(channel.listen(record));
    EXPECT_EQ(InstanceChannel::handOver(tooLong, {}), InstanceChannel::Delivery::Refused);
}

} // namespace
