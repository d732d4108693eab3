#include "SimulatedDriver.h"

#include "NotifyingDevice.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

constexpr DWORD kRegisterNotifyCode = 0x80882820;
constexpr UINT kDriverNotificationMessage = 0x8002;

HWND dialogWindow()
{
    static int window;
    return reinterpret_cast<HWND>(&window);
}

// Collects what PostMessageA receives, from whichever thread posts.
class PostedMessages
{
public:
    PostedMessages()
    {
        win32::setPostMessageSink([this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
            std::lock_guard<std::mutex> guard(mutex);
            posts.push_back({window, message, wParam, lParam});
            arrived.notify_all();
            return TRUE;
        });
    }
    ~PostedMessages() { win32::setPostMessageSink(nullptr); }

    struct Post
    {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    bool waitForCount(std::size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return posts.size() >= count; });
    }

    std::vector<Post> received()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return posts;
    }

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Post> posts;
};

using NotifyingDeviceTest = SimulatedDriverTest;

TEST_F(NotifyingDeviceTest, DriverNotificationIsPostedToTheWindowAndDrained)
{
    PostedMessages posted;
    NotifyingDevice device(settingsProfile());
    device.setNotifyTarget(dialogWindow(), kDriverNotificationMessage, 0, 0);
    ASSERT_EQ(device.startNotifications(), status::kSuccess);
    EXPECT_TRUE(device.isStarted());
    const auto registered = requests(kRegisterNotifyCode);
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0].input.size(), 4u);

    driver->queueNotification(7);
    ASSERT_TRUE(posted.waitForCount(1, std::chrono::seconds(5)));
    const auto post = posted.received().at(0);
    EXPECT_EQ(post.window, dialogWindow());
    EXPECT_EQ(post.message, kDriverNotificationMessage);
    EXPECT_EQ(post.wParam, 0u);
    EXPECT_EQ(post.lParam, 0);

    NotificationBlock notification;
    ASSERT_EQ(device.readNotification(notification), status::kSuccess);
    EXPECT_EQ(notification.kind, 7u);
    EXPECT_NE(device.readNotification(notification), status::kSuccess);
}

TEST_F(NotifyingDeviceTest, DestructionStopsTheThread)
{
    PostedMessages posted;
    {
        NotifyingDevice device(settingsProfile());
        device.setNotifyTarget(dialogWindow(), kDriverNotificationMessage, 0, 0);
        ASSERT_EQ(device.startNotifications(), status::kSuccess);
    }
    // The object is gone; a thread still waiting would now post from freed memory.
    driver->queueNotification(1);
    EXPECT_FALSE(posted.waitForCount(1, std::chrono::milliseconds(200)));
}

TEST_F(NotifyingDeviceTest, NothingIsPostedWithoutAWindow)
{
    PostedMessages posted;
    NotifyingDevice device(settingsProfile());
    ASSERT_EQ(device.startNotifications(), status::kSuccess);
    driver->queueNotification(1);
    EXPECT_FALSE(posted.waitForCount(1, std::chrono::milliseconds(200)));

    device.setNotifyTarget(dialogWindow(), kDriverNotificationMessage, 0, 0);
    driver->queueNotification(2);
    EXPECT_TRUE(posted.waitForCount(1, std::chrono::seconds(5)));
}

TEST_F(NotifyingDeviceTest, FailedRegistrationClosesThePathAndStartsNoThread)
{
    driver->failRequests(kRegisterNotifyCode, status::kOutOfMemory);
    NotifyingDevice device(settingsProfile());
    EXPECT_EQ(device.startNotifications(), status::kOutOfMemory);
    EXPECT_FALSE(device.isStarted());
    EXPECT_FALSE(device.isOpen());

    driver->clearFaults();
    EXPECT_EQ(device.startNotifications(), status::kSuccess);
    EXPECT_TRUE(device.isStarted());
}

TEST_F(NotifyingDeviceTest, StartingTwiceKeepsOneThread)
{
    NotifyingDevice device(settingsProfile());
    ASSERT_EQ(device.startNotifications(), status::kSuccess);
    EXPECT_EQ(device.startNotifications(), status::kSuccess);
    EXPECT_EQ(requests(kRegisterNotifyCode).size(), 1u);
}

TEST_F(NotifyingDeviceTest, OldDriverIsRefusedBeforeRegistering)
{
    driver->setApiVersion(1, 12);
    NotifyingDevice device(settingsProfile());
    EXPECT_EQ(device.startNotifications(), status::kDriverApiVersionRefused);
    EXPECT_FALSE(device.isStarted());
    EXPECT_TRUE(requests(kRegisterNotifyCode).empty());
}

} // namespace
