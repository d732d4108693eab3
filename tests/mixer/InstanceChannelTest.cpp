// The per-user instance socket: hand-over to a listening instance, and what a
// listener does with malformed or hostile connections.
#include "InstanceChannel.h"
#include "MessageLoop.h"

#include <gtest/gtest.h>
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
        ::setenv("TESSARY_MIXER_INSTANCE_SOCKET", socket().getFullPathName().toRawUTF8(), 1);
    }

    void TearDown() override
    {
        ::unsetenv("TESSARY_MIXER_INSTANCE_SOCKET");
        folder.deleteRecursively();
    }

    juce::File socket() const { return folder.getChildFile("instance.sock"); }

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
    auto first = std::make_unique<InstanceChannel>();
    ASSERT_TRUE(first->claim());
    InstanceChannel second;
    EXPECT_FALSE(second.claim());
    first.reset();
    EXPECT_TRUE(second.claim()) << "the lock goes with the instance that held it";
}

TEST_F(InstanceChannelTest, PatientHandOverWaitsForAStartingInstance)
{
    InstanceChannel channel;
    ASSERT_TRUE(channel.claim());
    bool accepted = false;
    std::thread second([&] { accepted = InstanceChannel::handOverPatiently("late", 3000); });
    testing_loop::pumpFor(150ms); // the running instance is still building its window
    ASSERT_TRUE(channel.listen(record));
    second.join();
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return received.size() == 1 && received[0] == "late"; }));
}

TEST_F(InstanceChannelTest, HandOverReachesTheListenerOnTheMessageThread)
{
    EXPECT_FALSE(InstanceChannel::handOver("--nobody")) << "nothing listens yet";

    InstanceChannel channel;
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

    // handOver blocks until the listener answers, so it runs off the message thread here.
    bool accepted = false;
    std::thread second([&] { accepted = InstanceChannel::handOver("--show me"); });
    second.join();
    EXPECT_TRUE(accepted);
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received.front(), "--show me");
    EXPECT_TRUE(onMessageThread);
}

TEST_F(InstanceChannelTest, ListenerIgnoresBrokenMessagesAndCutsLongOnes)
{
    InstanceChannel channel;
    ASSERT_TRUE(channel.listen(record));

    EXPECT_EQ(sendRaw("no end of line"), 0) << "a message cut off before its end is not taken";
    EXPECT_EQ(sendRaw(""), 0);
    EXPECT_EQ(sendRaw(std::string("\xff\xfe\x00 odd bytes\n", 14)), '+');
    EXPECT_EQ(sendRaw(std::string(3 * InstanceChannel::maxMessageBytes, 'x')), '+') << "overlong, no end of line";

    ASSERT_TRUE(testing_loop::pumpUntil([&] { return received.size() == 2; }));
    testing_loop::pumpFor(20ms);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].length(), static_cast<int>(InstanceChannel::maxMessageBytes));

    // After all that the channel still serves a proper start.
    bool accepted = false;
    std::thread second([&] { accepted = InstanceChannel::handOver("again"); });
    second.join();
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return received.size() == 3 && received[2] == "again"; }));
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
    EXPECT_FALSE(InstanceChannel::handOver({})) << "a dead socket is not a running instance";

    {
        InstanceChannel channel;
        ASSERT_TRUE(channel.listen(record));
        bool accepted = false;
        std::thread second([&] { accepted = InstanceChannel::handOver({}); });
        second.join();
        EXPECT_TRUE(accepted);
    }
    EXPECT_FALSE(socket().exists()) << "the listener removes its socket when it ends";
}

TEST_F(InstanceChannelTest, AHandOverStillQueuedWhenTheChannelEndsIsDropped)
{
    auto channel = std::make_unique<InstanceChannel>();
    ASSERT_TRUE(channel->listen(record));
    std::thread second([] { InstanceChannel::handOver("too late"); });
    second.join();
    channel.reset(); // before the message loop has run
    testing_loop::pumpFor(30ms);
    EXPECT_TRUE(received.empty());
}

TEST_F(InstanceChannelTest, KeepsOutOfAFolderOthersCanWrite)
{
    InstanceChannel running;
    ASSERT_TRUE(running.claim());
    ASSERT_TRUE(running.listen(record));
    ::chmod(folder.getFullPathName().toRawUTF8(), 0777); // another user could now answer in its place
    EXPECT_FALSE(InstanceChannel::handOver("--to whom?"));
    testing_loop::pumpFor(30ms);
    EXPECT_TRUE(received.empty());

    InstanceChannel second;
    EXPECT_FALSE(second.claim());
    EXPECT_FALSE(second.listen(record));
}

TEST_F(InstanceChannelTest, RefusesASocketPathThatDoesNotFit)
{
    ::setenv("TESSARY_MIXER_INSTANCE_SOCKET", ("/tmp/" + std::string(200, 'a')).c_str(), 1);
    InstanceChannel channel;
    EXPECT_FALSE(channel.listen(record));
    EXPECT_FALSE(InstanceChannel::handOver({}));
}

} // namespace
