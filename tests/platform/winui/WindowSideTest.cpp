// The window-side stand-in: resources read from a compiled resource file,
// text measured as the Windows text renderer gives it, and dialogs built from
// their templates whose controls notify only what a user does.
#include "MessageLoop.h"

#include <InstanceChannel.h>
#include <PortRequest.h>
#include <ResourceFile.h>
#include <win32/ProcessLock.h>

#include <afxwin.h>
#include <win32/WindowSystem.h>

#include <gtest/gtest.h>

#include "SyntheticClick.h"

#include <algorithm>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

extern const unsigned char testResourcesRes[];
extern const std::size_t testResourcesResSize;

namespace {

HMODULE testModule()
{
    static HMODULE module = win32::loadResourceModule(testResourcesRes, testResourcesResSize);
    return module;
}

TEST(ResourceFileTest, AcceptsOnlyWholeWellFormedFiles)
{
    const std::vector<std::uint8_t> file(testResourcesRes, testResourcesRes + testResourcesResSize);
    std::vector<win32::detail::ResourceEntry> entries;
    ASSERT_TRUE(win32::detail::parseResourceFile(file.data(), file.size(), entries));
    EXPECT_GE(entries.size(), 8u);

    auto broken = [&](std::size_t offset, std::uint8_t value) {
        std::vector<std::uint8_t> copy = file;
        copy[offset] = value;
        return copy;
    };
    // The second entry starts at 32: its data size, header size, and a name string without end.
    const std::vector<std::vector<std::uint8_t>> malformed = {
        {file.begin(), file.begin() + 40}, // cut inside an entry's header
        {file.begin(), file.end() - 1},    // the last entry's data cut short
        broken(32 + 3, 0x7F),              // data size beyond the file
        broken(32 + 4, 8),                 // header smaller than its own fields
    };
    for (const auto& data : malformed) {
        EXPECT_FALSE(win32::detail::parseResourceFile(data.data(), data.size(), entries));
        EXPECT_TRUE(entries.empty());
    }
}

TEST(ResourceCallsTest, StringsComeInTheWindowsLatin1CodePage)
{
    const struct
    {
        UINT id;
        int buffer;
        const char* text;
        int length;
    } cases[] = {
        {1, 64, "One", 3},  {17, 64, "Seventeen \xE9t\xE9", 13},
        {17, 5, "Seve", 4}, {101, 64, "&About Ostrel Tessary...", 24},
        {2, 64, "", 0},   // in a block, but empty
        {999, 64, "", 0}, // no such block
    };
    for (const auto& c : cases) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(LoadStringA(testModule(), c.id, buffer, c.buffer), c.length) << c.id;
        EXPECT_STREQ(buffer, c.text) << c.id;
    }
}

TEST(ResourceCallsTest, MenusKeepTheirItemsChecksAndDefault)
{
    HMENU menu = LoadMenuA(testModule(), MAKEINTRESOURCEA(5));
    ASSERT_NE(menu, nullptr);
    HMENU top = GetSubMenu(menu, 0);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(GetMenuItemCount(top), 4);
    EXPECT_EQ(GetMenuItemID(top, 0), 100u);
    EXPECT_EQ(GetMenuState(top, 1, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(top, 2), 0xFFFFFFFFu); // a popup
    EXPECT_EQ(GetMenuItemID(top, 3), 101u);
    char text[16];
    EXPECT_EQ(GetMenuStringA(top, 201, text, sizeof text, MF_BYCOMMAND), 6);
    EXPECT_STREQ(text, "Deeper");
    EXPECT_EQ(GetMenuState(top, 201, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));

    EXPECT_EQ(CheckMenuItem(top, 200, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(top, 200, MF_BYCOMMAND | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(top, 999, MF_BYCOMMAND | MF_CHECKED), 0xFFFFFFFFu);
    EXPECT_TRUE(SetMenuDefaultItem(top, 0, TRUE));
    EXPECT_EQ(GetMenuDefaultItem(top, FALSE, 0), 100u);
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_EQ(GetMenuItemCount(top), -1); // popups go with their menu
}

TEST(ResourceCallsTest, BitmapsAndIconsDecodeToTheirPixels)
{
    HBITMAP bitmap = LoadBitmapA(testModule(), MAKEINTRESOURCEA(8));
    const juce::Image face = win32::imageOf(bitmap);
    ASSERT_TRUE(face.isValid());
    EXPECT_EQ(face.getWidth(), 394);
    EXPECT_EQ(face.getHeight(), 283);
    // The file's rows run bottom-up in blue, green, red order after a 54-byte header.
    std::ifstream file(TESSARY_FACE_BITMAP, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 54u + 1184u * 283u);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{200, 100}, std::pair{393, 282}}) {
        const std::size_t at = 54 + static_cast<std::size_t>(282 - y) * 1184 + static_cast<std::size_t>(x) * 3;
        const juce::Colour expected(static_cast<std::uint8_t>(bytes[at + 2]), static_cast<std::uint8_t>(bytes[at + 1]),
                                    static_cast<std::uint8_t>(bytes[at]));
        EXPECT_EQ(face.getPixelAt(x, y), expected) << x << "," << y;
    }
    EXPECT_TRUE(DeleteObject(bitmap));

    HICON icon = LoadIconA(testModule(), MAKEINTRESOURCEA(7));
    const juce::Image image = win32::imageOf(icon);
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.getWidth(), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(image.getPixelAt(0, 0).getAlpha(), 0);    // a rounded corner
    EXPECT_EQ(image.getPixelAt(16, 4).getAlpha(), 255); // the plate
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(LoadIconA(testModule(), MAKEINTRESOURCEA(8)), nullptr);
}

TEST(FontTest, DialogFontsMeasureAsTahoma)
{
    const struct
    {
        int height;
        int weight;
        const char16_t* face;
        LONG tmHeight, tmAscent, tmDescent;
        int baseWidth;
    } cases[] = {
        {-11, FW_NORMAL, u"MS Shell Dlg", 13, 11, 2, 6}, // 8 points at 96 DPI
        {-13, FW_NORMAL, u"Tahoma", 16, 13, 3, 7},       // 8 points at 120 DPI
        {13, FW_NORMAL, u"Tahoma", 13, 11, 2, 6},        // a cell height of 13
        {-16, FW_NORMAL, u"MS Shell Dlg", 19, 16, 3, 9}, // 12 points at 96 DPI
    };
    HDC dc = GetDC(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height);
        HFONT font = CreateFontW(c.height, 0, 0, 0, c.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, c.face);
        HGDIOBJ previous = SelectObject(dc, font);
        TEXTMETRICA metrics{};
        ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
        EXPECT_EQ(metrics.tmHeight, c.tmHeight);
        EXPECT_EQ(metrics.tmAscent, c.tmAscent);
        EXPECT_EQ(metrics.tmDescent, c.tmDescent);
        SIZE extent{};
        ASSERT_TRUE(GetTextExtentPointA(dc, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &extent));
        EXPECT_EQ((extent.cx / 26 + 1) / 2, c.baseWidth);
        SIZE two{}, one{};
        GetTextExtentPointA(dc, "WW", 2, &two);
        GetTextExtentPointA(dc, "W", 1, &one);
        EXPECT_EQ(two.cx, 2 * one.cx); // whole-pixel advances, no kerning
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    ReleaseDC(nullptr, dc);
}

// The dialog procedure of the dialog tests: records the commands it gets.
struct Recorder
{
    std::vector<std::pair<int, int>> commands; // id, notification
    std::vector<UINT> posted;
    std::mutex mutex;
};
Recorder* recorder = nullptr;

INT_PTR CALLBACK recordingDialog(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND)
        recorder->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
    if (message >= WM_APP) {
        std::lock_guard<std::mutex> guard(recorder->mutex);
        recorder->posted.push_back(static_cast<UINT>(wParam));
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class DialogManagerTest : public ::testing::Test
{
protected:
    DialogManagerTest()
    {
        recorder = &record;
        win32::setSystemDpi(96);
        dialog = CreateDialogParamA(testModule(), MAKEINTRESOURCEA(20), nullptr, recordingDialog, 0);
        ShowWindow(dialog, SW_SHOW);
        testing_loop::dispatchPending();
    }
    ~DialogManagerTest() override
    {
        DestroyWindow(dialog);
        win32::setSystemDpi(0);
        testing_loop::dispatchPending();
        recorder = nullptr;
    }

    template <class T> T* component(int id) { return dynamic_cast<T*>(win32::componentOf(GetDlgItem(dialog, id))); }

    Recorder record;
    HWND dialog = nullptr;
};

TEST_F(DialogManagerTest, ControlsAreBuiltInTemplateOrderWithTheirInitialData)
{
    ASSERT_NE(dialog, nullptr);
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    EXPECT_EQ(ids, (std::vector<int>{-1, 30, 31, 32, 33, IDCANCEL}));

    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 300);  // 200 units at base width 6
    EXPECT_EQ(client.bottom, 195); // 120 units at base height 13
    RECT picture;
    GetClientRect(GetWindow(dialog, GW_CHILD), &picture);
    EXPECT_EQ(picture.right, 394); // a bitmap picture takes its bitmap's size

    // A sorted list keeps its items in order, whatever order they come in.
    auto* sorted = component<juce::ComboBox>(30);
    ASSERT_NE(sorted, nullptr);
    for (const char* text : {"delta", "Alpha", "charl"})
        SendDlgItemMessageA(dialog, 30, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(sorted->getItemText(0), "Alpha");
    EXPECT_EQ(sorted->getItemText(1), "charl");
    EXPECT_EQ(sorted->getItemText(2), "delta");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 31)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 31)));
    EXPECT_NE(component<juce::ToggleButton>(32), nullptr);
    EXPECT_NE(component<juce::TextButton>(33), nullptr);
}

TEST_F(DialogManagerTest, OnlyTheUsersChoicesNotifyTheDialog)
{
    for (const char* text : {"b", "a", "c"})
        SendDlgItemMessageA(dialog, 30, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendDlgItemMessageA(dialog, 30, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 30, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("C")),
              2);
    SendDlgItemMessageA(dialog, 32, BM_SETCHECK, BST_CHECKED, 0);
    testing_loop::pumpFor(std::chrono::milliseconds(20));
    EXPECT_TRUE(record.commands.empty());

    component<juce::ComboBox>(30)->keyPressed(juce::KeyPress(juce::KeyPress::upKey)); // as the arrow key does
    component<juce::Button>(32)->triggerClick();
    testing_loop::pumpUntil([&] { return record.commands.size() >= 2; });
    EXPECT_EQ(SendDlgItemMessageA(dialog, 30, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 32, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    win32::componentOf(dialog)->keyPressed(juce::KeyPress(juce::KeyPress::returnKey));
    win32::componentOf(dialog)->keyPressed(juce::KeyPress(juce::KeyPress::escapeKey));
    EXPECT_EQ(record.commands, (std::vector<std::pair<int, int>>{
                                   {30, CBN_SELCHANGE}, {32, BN_CLICKED}, {33, BN_CLICKED}, {IDCANCEL, BN_CLICKED}}));
}

TEST_F(DialogManagerTest, PostedMessagesArriveInOrderFromAnyThread)
{
    std::thread poster([this] {
        for (WPARAM i = 0; i < 50; ++i)
            PostMessageA(dialog, WM_APP + 2, i, 0);
    });
    poster.join();
    testing_loop::pumpUntil([&] {
        std::lock_guard<std::mutex> guard(record.mutex);
        return record.posted.size() == 50;
    });
    std::lock_guard<std::mutex> guard(record.mutex);
    ASSERT_EQ(record.posted.size(), 50u);
    for (UINT i = 0; i < 50; ++i)
        EXPECT_EQ(record.posted[i], i);
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x7FF0), WM_APP, 0, 0));
}

// A click that a round trip has read off the connection before the loop
// sleeps: the modal loop must still handle it, with nothing else coming in.
class ClickReadEarly : public juce::Timer
{
public:
    explicit ClickReadEarly(HWND dialog) : dialog(dialog) { startTimer(500); } // once the dialog has settled

    void timerCallback() override
    {
        stopTimer();
        auto* button = win32::componentOf(GetDlgItem(dialog, 33));
        auto* frame = win32::frameOf(dialog);
        if (button == nullptr || frame == nullptr)
            return;
        const auto at = button->getScreenBounds().getCentre() - frame->getScreenPosition();
        sendSyntheticClick(frame->getWindowHandle(), at.x, at.y);
        juce::Desktop::getMousePosition(); // a pointer query: its reply comes after the click
    }

private:
    HWND dialog;
};

// Ends the dialog with -2 if nothing else has ended it in time.
class Watchdog : public juce::Timer
{
public:
    explicit Watchdog(HWND dialog) : dialog(dialog) { startTimer(4000); }
    void timerCallback() override { EndDialog(dialog, -2); }

private:
    HWND dialog;
};

std::unique_ptr<ClickReadEarly> earlyClick;
std::unique_ptr<Watchdog> watchdog;

INT_PTR CALLBACK endOnCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        ShowWindow(dialog, SW_SHOW);
        earlyClick = std::make_unique<ClickReadEarly>(dialog);
        watchdog = std::make_unique<Watchdog>(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND)
        EndDialog(dialog, LOWORD(wParam));
    return FALSE;
}

TEST(ModalLoopTest, HandlesInputAlreadyReadOffTheConnection)
{
    win32::setSystemDpi(96);
    EXPECT_EQ(DialogBoxParamA(testModule(), MAKEINTRESOURCEA(20), nullptr, endOnCommand, 0), 33);
    earlyClick.reset();
    watchdog.reset();
    win32::setSystemDpi(0);
    testing_loop::dispatchPending();
}

// A window that counts the commands it is sent.
class CommandCounter : public CWnd
{
public:
    int commands = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND)
            ++commands;
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// TPM_RETURNCMD: the call waits for the menu to close and returns the command
// chosen (0 when it is dismissed), and posts nothing; without it the call
// returns at once and the choice comes as WM_COMMAND.
TEST(PopupMenuTest, ReturnCommandGivesTheChoiceAndPostsNothing)
{
    CommandCounter owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    // A popup stays open only while the program has the focus, as when its tray icon was clicked.
    juce::Component focused;
    focused.setWantsKeyboardFocus(true);
    focused.setBounds(0, 0, 50, 50);
    focused.addToDesktop(0);
    focused.setVisible(true);
    focused.toFront(true);
    focused.grabKeyboardFocus();
    testing_loop::pumpUntil([&] { return focused.hasKeyboardFocus(true); }, std::chrono::seconds(2));
    HMENU menu = LoadMenuA(testModule(), MAKEINTRESOURCEA(5));
    HMENU top = GetSubMenu(menu, 0);
    ASSERT_NE(top, nullptr);
    // Keys to the open popup, which holds JUCE's modal state while it is shown.
    auto pressLater = [](std::vector<int> keys) {
        juce::Timer::callAfterDelay(300, [keys] {
            juce::Component* popup = juce::Component::getCurrentlyModalComponent();
            ASSERT_NE(popup, nullptr) << "no popup open";
            for (const int key : keys)
                popup->keyPressed(juce::KeyPress(key));
        });
    };
    const struct
    {
        UINT flags;
        std::vector<int> keys;
        BOOL result;
        int commandsPosted;
    } cases[] = {
        {TPM_RETURNCMD, {juce::KeyPress::downKey, juce::KeyPress::returnKey}, 100, 0},
        {TPM_RETURNCMD | TPM_NONOTIFY, {juce::KeyPress::escapeKey}, 0, 0},
        {TPM_LEFTBUTTON, {juce::KeyPress::downKey, juce::KeyPress::returnKey}, TRUE, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        owner.commands = 0;
        pressLater(c.keys);
        const auto began = std::chrono::steady_clock::now();
        EXPECT_EQ(TrackPopupMenu(top, c.flags, 100, 100, 0, owner.GetSafeHwnd(), nullptr), c.result);
        if ((c.flags & TPM_RETURNCMD) != 0) {
            EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(250)) << "did not wait";
        }
        testing_loop::pumpFor(std::chrono::milliseconds(600));
        EXPECT_EQ(juce::Component::getCurrentlyModalComponent(), nullptr) << "the popup stayed open";
        EXPECT_EQ(owner.commands, c.commandsPosted);
    }
    DestroyMenu(menu);
    owner.DestroyWindow();
}

// ---------------------------------------------------------------- the window port

TEST(PortRequestTest, OnlyWellFormedLinesAreRequests)
{
    using win32::detail::parsePortRequest;
    using win32::detail::PortRequest;
    const auto post = parsePortRequest("post 2151748612 273 32771 -5");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->kind, PortRequest::Kind::Post);
    EXPECT_EQ(post->window, 2151748612u);
    EXPECT_EQ(post->message, 273u);
    EXPECT_EQ(post->wParam, 32771u);
    EXPECT_EQ(post->lParam, -5);
    const auto foreground = parsePortRequest("foreground 2151748612");
    ASSERT_TRUE(foreground);
    EXPECT_EQ(foreground->kind, PortRequest::Kind::Foreground);
    for (const char* line :
         {"", "post", "post 1 2 3", "post 1 2 3 4 5", "post 1 2 3 4 ", "post  1 2 3 4", "post 0x10 2 3 4",
          "post 1 -2 3 4", "post 1 2 3 -0", "post 1 04294967296 3 4", "post 1 4294967296 3 4",
          "post 1 2 18446744073709551616 4", "foreground", "foreground 1 2", "Post 1 2 3 4", "post 1 2 3 4\n"})
        EXPECT_FALSE(parsePortRequest(line)) << line;
}

// Posted from another process, a message that carries a pointer of that
// process would be dereferenced here: the port drops it (a WM_DEVICECHANGE
// with a broadcast record of address 0x1000 crashed the dialog), and a post
// of one to another process's window fails as on Windows.
TEST(WindowPortTest, MessagesWithPointersDoNotCrossProcesses)
{
    class Recorder : public CWnd
    {
    public:
        std::vector<UINT> messages;

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            messages.push_back(message);
            return CWnd::WindowProc(message, wParam, lParam);
        }
    };
    Recorder window;
    ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    const juce::String port =
        juce::String(win32::userObjectFolder()) + "/window-" + juce::String(static_cast<int>(::getpid())) + ".sock";
    const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(window.GetSafeHwnd()));
    const struct
    {
        std::string line;
        UINT message;
        bool taken;
    } cases[] = {
        {"post " + handle + " 537 32768 4096", WM_DEVICECHANGE, false}, // DBT_DEVICEARRIVAL with a record
        {"post " + handle + " 537 32772 4096", WM_DEVICECHANGE, false}, // DBT_DEVICEREMOVECOMPLETE
        {"post " + handle + " 12 0 4096", 0x000C, false},               // WM_SETTEXT
        {"post " + handle + " 74 0 4096", 0x004A, false},               // WM_COPYDATA
        {"post " + handle + " 537 7 0", WM_DEVICECHANGE, true},         // DBT_DEVNODES_CHANGED: no record
        {"post " + handle + " 273 32771 0", WM_COMMAND, true},
        {"post " + handle + " 32770 0 4096", 0x8002, true},  // WM_APP + 2: numbers only
        {"post " + handle + " 49152 135 517", 0xC000, true}, // a registered message
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        window.messages.clear();
        auto delivery = std::async(std::launch::async, [&] { return InstanceChannel::handOver(port, c.line); });
        testing_loop::pumpUntil(
            [&] { return delivery.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; });
        ASSERT_EQ(delivery.get(), InstanceChannel::Delivery::Delivered);
        testing_loop::pumpFor(std::chrono::milliseconds(100));
        const bool taken =
            std::find(window.messages.begin(), window.messages.end(), c.message) != window.messages.end();
        EXPECT_EQ(taken, c.taken);
    }

    // A window of another process: the parent's, top-level, first slot.
    const HWND other = reinterpret_cast<HWND>(std::uintptr_t{0x80000000u} |
                                              (static_cast<std::uintptr_t>(::getppid()) << 8) | std::uintptr_t{4});
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(other, WM_DEVICECHANGE, 0x8000, 0x1000));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));
    window.DestroyWindow();
}

// A registered message posted to another process must mean the same there:
// its number follows from the name, whatever the process registered before.
TEST(RegisteredMessageTest, NumbersAreTheSameInEveryProcess)
{
    const std::vector<std::string> names = {"Tessary tray notification", "TaskbarCreated", "Another Program's Message",
                                            "x"};
    int fromChild[2];
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other process registers the names in the opposite order.
        std::vector<UINT> numbers(names.size());
        for (std::size_t i = names.size(); i-- > 0;)
            numbers[i] = RegisterWindowMessageA(names[i].c_str());
        [[maybe_unused]] const auto written = ::write(fromChild[1], numbers.data(), numbers.size() * sizeof(UINT));
        ::_exit(0);
    }
    ::close(fromChild[1]);
    std::vector<UINT> theirs(names.size());
    const auto wanted = static_cast<ssize_t>(theirs.size() * sizeof(UINT));
    ASSERT_EQ(::read(fromChild[0], theirs.data(), static_cast<std::size_t>(wanted)), wanted);
    ::close(fromChild[0]);
    ::waitpid(child, nullptr, 0);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const UINT ours = RegisterWindowMessageA(names[i].c_str());
        EXPECT_EQ(ours, theirs[i]) << names[i];
        EXPECT_GE(ours, 0xC000u);
        EXPECT_LE(ours, 0xFFFFu);
    }
    EXPECT_EQ(RegisterWindowMessageA("TASKBARCREATED"), RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_NE(RegisterWindowMessageA("TaskbarCreated"), RegisterWindowMessageA("Tessary tray notification"));
}

} // namespace
