#include "ScriptedBackend.h"

#include <setupapi.h>
#include <win32/StandIn.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

using testing_support::ScriptedBackend;

namespace {

using Clock = std::chrono::steady_clock;

// Owns a kernel handle for the length of a test.
struct Handle
{
    HANDLE value;
    explicit Handle(HANDLE h) : value(h) {}
    ~Handle()
    {
        if (value && value != INVALID_HANDLE_VALUE)
            CloseHandle(value);
    }
    operator HANDLE() const { return value; }
};

HANDLE autoResetEvent()
{
    return CreateEventA(nullptr, FALSE, FALSE, nullptr);
}
HANDLE manualResetEvent(BOOL signalled = FALSE)
{
    return CreateEventA(nullptr, TRUE, signalled, nullptr);
}

} // namespace

TEST(Handles, AreSmallMultiplesOfFourAndDistinct)
{
    std::set<std::uintptr_t> seen;
    std::vector<HANDLE> handles;
    for (int i = 0; i < 100; ++i) {
        HANDLE h = autoResetEvent();
        const auto value = reinterpret_cast<std::uintptr_t>(h);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(value % 4, 0u);
        EXPECT_LT(value, std::uintptr_t(1) << 30) << "must fit the 4-byte field of a driver request";
        EXPECT_TRUE(seen.insert(value).second);
        handles.push_back(h);
    }
    for (HANDLE h : handles)
        EXPECT_TRUE(CloseHandle(h));
}

TEST(Handles, ClosingAnInvalidOrClosedHandleFails)
{
    HANDLE h = autoResetEvent();
    ASSERT_TRUE(CloseHandle(h));
    for (HANDLE bad :
         {h, HANDLE(nullptr), INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(std::uintptr_t(0x3FFFFFF0))}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    EXPECT_FALSE(SetEvent(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(LastError, BelongsToEachThread)
{
    SetLastError(1234);
    DWORD seenByOther = 99;
    std::thread([&] {
        seenByOther = GetLastError();
        SetLastError(77);
    }).join();
    EXPECT_EQ(seenByOther, 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}

TEST(Events, AutoResetReleasesOneWaitPerSignal)
{
    Handle event(autoResetEvent());
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Events, ManualResetStaysSignalledUntilReset)
{
    Handle event(manualResetEvent(TRUE));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Waits, TimeoutIsHonouredAndASignalFromAnotherThreadWakes)
{
    Handle event(autoResetEvent());
    auto start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 50), WAIT_TIMEOUT);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(45));

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    setter.join();
}

TEST(Waits, AnyGivesTheLowestSignalledIndexAndConsumesOnlyIt)
{
    Handle quit(autoResetEvent());
    Handle notify(autoResetEvent());
    Handle third(autoResetEvent());
    HANDLE all[] = {quit, notify, third};
    SetEvent(third);
    SetEvent(notify);
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_TIMEOUT);
}

TEST(Waits, AllWaitsForEveryObject)
{
    Handle a(autoResetEvent());
    Handle b(manualResetEvent());
    HANDLE both[] = {a, b};
    SetEvent(a);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0) << "a failed wait-all must not consume";
    SetEvent(a);
    SetEvent(b);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
}

TEST(Waits, FailOnBadHandlesOrCounts)
{
    Handle good(autoResetEvent());
    HANDLE withBad[] = {good, reinterpret_cast<HANDLE>(std::uintptr_t(0x3FFFFFF8))};
    EXPECT_EQ(WaitForMultipleObjects(2, withBad, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForMultipleObjects(0, withBad, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, withBad, FALSE, 0), WAIT_FAILED);
}

TEST(CriticalSections, AreReentrantAndExcludeOtherThreads)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    std::atomic<bool> otherEntered{false};
    std::thread other([&] {
        EnterCriticalSection(&section);
        otherEntered = true;
        LeaveCriticalSection(&section);
    });
    LeaveCriticalSection(&section);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(otherEntered) << "still held once";
    LeaveCriticalSection(&section);
    other.join();
    EXPECT_TRUE(otherEntered);
    DeleteCriticalSection(&section);
}

namespace {
DWORD WINAPI waitThenReturn(LPVOID parameter)
{
    WaitForSingleObject(*static_cast<HANDLE*>(parameter), INFINITE);
    return 42;
}
} // namespace

TEST(Threads, HandleIsSignalledWithTheExitCodeWhenTheThreadEnds)
{
    HANDLE release = autoResetEvent();
    DWORD id = 0;
    Handle thread(CreateThread(nullptr, 0, waitThenReturn, &release, 0, &id));
    ASSERT_NE(thread.value, nullptr);
    EXPECT_NE(id, 0u);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "a finished thread stays signalled";
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    CloseHandle(release);
}

TEST(PostMessage, GoesToTheSinkOrFailsWithoutOne)
{
    win32::setPostMessageSink(nullptr);
    EXPECT_FALSE(PostMessageA(nullptr, 0x8002, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    HWND seenWindow = nullptr;
    UINT seenMessage = 0;
    win32::setPostMessageSink([&](HWND w, UINT m, WPARAM, LPARAM l) {
        seenWindow = w;
        seenMessage = m;
        return l == 7 ? TRUE : FALSE;
    });
    auto window = reinterpret_cast<HWND>(std::uintptr_t(0x1234));
    EXPECT_TRUE(PostMessageA(window, 0x8002, 0, 7));
    EXPECT_EQ(seenWindow, window);
    EXPECT_EQ(seenMessage, 0x8002u);
    win32::setPostMessageSink(nullptr);
}

class Files : public testing::Test
{
protected:
    std::shared_ptr<ScriptedBackend> driver = std::make_shared<ScriptedBackend>();
    win32::ScopedDriverBackend installed{driver};

    HANDLE open(DWORD flags)
    {
        return CreateFileA("\\\\.\\{TEST}", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, flags, nullptr);
    }
};

TEST_F(Files, OpenFailureGivesInvalidHandleValueAndTheDriverError)
{
    driver->openError = ERROR_FILE_NOT_FOUND;
    EXPECT_EQ(open(0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, ClosingTheHandleClosesTheDriverFileAndInvalidatesIt)
{
    HANDLE file = open(0);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(file));
    EXPECT_EQ(driver->closes, 1);
    DWORD bytes = 0;
    EXPECT_FALSE(DeviceIoControl(file, 1, nullptr, 0, nullptr, 0, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Files, SynchronousRequestWaitsForALateCompletion)
{
    driver->completeAfter = std::chrono::milliseconds(30);
    Handle file(open(0));
    std::uint8_t out[8] = {};
    DWORD bytes = 0;
    ASSERT_TRUE(DeviceIoControl(file, 1, nullptr, 0, out, sizeof out, &bytes, nullptr));
    EXPECT_EQ(bytes, 4u);
    EXPECT_EQ(out[3], 0xAB);
    EXPECT_EQ(out[4], 0);
}

TEST_F(Files, SynchronousFailureReportsTheDriverStatus)
{
    driver->ioError = 0xE0000305;
    Handle file(open(0));
    std::uint8_t out[4];
    DWORD bytes = 99;
    EXPECT_FALSE(DeviceIoControl(file, 1, nullptr, 0, out, sizeof out, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), 0xE0000305u);
    EXPECT_EQ(bytes, 0u);
}

TEST_F(Files, NullBufferWithASizeIsRefusedBeforeTheDriver)
{
    Handle file(open(0));
    DWORD bytes = 0;
    EXPECT_FALSE(DeviceIoControl(file, 1, nullptr, 4, nullptr, 0, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
    EXPECT_FALSE(DeviceIoControl(file, 1, nullptr, 0, nullptr, 4, &bytes, nullptr));
    EXPECT_EQ(driver->requests, 0);
}

TEST_F(Files, OverlappedRequestPendsThenCompletesIntoTheOverlappedRecord)
{
    driver->completeAfter = std::chrono::milliseconds(40);
    Handle file(open(FILE_FLAG_OVERLAPPED));
    Handle event(autoResetEvent());
    SetEvent(event); // a stale signal must not pass for the completion
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    std::uint8_t out[8] = {};
    DWORD bytes = 0;
    EXPECT_FALSE(DeviceIoControl(file, 1, nullptr, 0, out, sizeof out, &bytes, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);

    EXPECT_FALSE(GetOverlappedResult(file, &overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

    ASSERT_TRUE(GetOverlappedResult(file, &overlapped, &bytes, TRUE));
    EXPECT_EQ(bytes, 4u);
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "the wait takes the auto-reset signal";
}

TEST_F(Files, OverlappedCompletionSetsTheEvent)
{
    driver->completeAfter = std::chrono::milliseconds(10);
    Handle file(open(FILE_FLAG_OVERLAPPED));
    Handle event(manualResetEvent());
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD out = 0;
    EXPECT_FALSE(DeviceIoControl(file, 1, nullptr, 0, &out, sizeof out, nullptr, &overlapped));
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    DWORD bytes = 0;
    EXPECT_TRUE(GetOverlappedResult(file, &overlapped, &bytes, FALSE));
    EXPECT_EQ(bytes, 4u);
}

TEST_F(Files, OverlappedFailureKeepsItsStatusEvenWhenItLooksLikePending)
{
    driver->completeAfter = std::chrono::milliseconds(10);
    driver->ioError = ERROR_NO_MORE_ITEMS; // the same number as the pending marker
    Handle file(open(FILE_FLAG_OVERLAPPED));
    Handle event(autoResetEvent());
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD out = 0;
    DWORD bytes = 0;
    EXPECT_FALSE(DeviceIoControl(file, 1, nullptr, 0, &out, sizeof out, &bytes, &overlapped));
    EXPECT_FALSE(GetOverlappedResult(file, &overlapped, &bytes, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
}

TEST_F(Files, OverlappedRequestCompletedAtOnceSucceedsAndSignals)
{
    Handle file(open(FILE_FLAG_OVERLAPPED));
    Handle event(autoResetEvent());
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD out = 0;
    DWORD bytes = 0;
    ASSERT_TRUE(DeviceIoControl(file, 1, nullptr, 0, &out, sizeof out, &bytes, &overlapped));
    EXPECT_EQ(bytes, 4u);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
}

class SetupDi : public testing::Test
{
protected:
    std::shared_ptr<ScriptedBackend> driver = std::make_shared<ScriptedBackend>();
    win32::ScopedDriverBackend installed{driver};
    const GUID guid = {0x34F6CC0C, 0xBE3A, 0x4F6E, {0xBE, 0x12, 0x47, 0xE5, 0x8C, 0x84, 0xB0, 0x8D}};
    HDEVINFO set = INVALID_HANDLE_VALUE;

    void SetUp() override { driver->paths = {"\\\\?\\first", "\\\\?\\second-path"}; }
    void TearDown() override
    {
        if (set != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(set);
    }

    SP_DEVICE_INTERFACE_DATA member(DWORD index)
    {
        set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        EXPECT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data));
        return data;
    }
};

TEST_F(SetupDi, EnumerationStopsWithNoMoreItems)
{
    member(1);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = 28;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 2, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
}

TEST_F(SetupDi, EnumerationChecksTheRecordSize)
{
    member(0);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = 32;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
}

TEST_F(SetupDi, SetIsASnapshotOfThePresentInterfaces)
{
    member(0);
    driver->paths.clear();
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = 28;
    EXPECT_TRUE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 1, &data));
}

TEST_F(SetupDi, DetailSizeQueryThenFetch)
{
    auto data = member(1);
    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(required, 4 + std::strlen("\\\\?\\second-path") + 1);

    std::vector<std::uint8_t> storage(required);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(storage.data());
    detail->cbSize = 5;
    SP_DEVINFO_DATA device{};
    device.cbSize = 28;
    ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, &device));
    EXPECT_STREQ(detail->DevicePath, "\\\\?\\second-path");

    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(SetupDi, DetailChecksEveryRecordSize)
{
    auto data = member(0);
    std::vector<std::uint8_t> storage(64);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(storage.data());
    SP_DEVINFO_DATA device{};
    device.cbSize = 28;

    detail->cbSize = 8; // what a 64-bit program would set
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, 64, nullptr, &device));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);

    detail->cbSize = 5;
    device.cbSize = 32;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, 64, nullptr, &device));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);

    data.cbSize = 0;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, 64, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
}

TEST_F(SetupDi, DestroyedSetIsGone)
{
    member(0);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    set = INVALID_HANDLE_VALUE;
}

TEST(DefaultDriver, WithoutADaemonTheMachineHasNoDriver)
{
    const char* previous = std::getenv("TESSARY_DRIVER_SOCKET");
    const std::string saved = previous ? previous : "";
    ::setenv("TESSARY_DRIVER_SOCKET", "/nonexistent/tessary/driver.sock", 1);
    const GUID guid = {0x006902CB, 0xE626, 0x45B4, {0x8A, 0x62, 0x2E, 0xAA, 0xD6, 0x3F, 0x8D, 0x12}};

    HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = 28;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 0, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    SetupDiDestroyDeviceInfoList(set);

    EXPECT_EQ(CreateFileA("\\\\.\\{006902CB-E626-45b4-8A62-2EAAD63F8D12}", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    if (previous)
        ::setenv("TESSARY_DRIVER_SOCKET", saved.c_str(), 1);
    else
        ::unsetenv("TESSARY_DRIVER_SOCKET");
}
