// The tray icon on a session bus of the test's own (run under dbus-run-session):
// a watcher and a host of the test's own register the item, read its
// properties and menu, and click as a panel does; a watcher that comes late,
// or comes again, still gets the icon.
#include "SettingsDialogFixture.h"
#include "TrayTestHost.h"

#include "CSystemTray.h"

#include <DialogWindow.h>
#include <SessionBus.h>

#include <algorithm>
#include <future>

namespace {

using namespace std::chrono_literals;

class TrayOnTheBusTest : public SettingsDialogTest
{
protected:
    TrayOnTheBusTest() : SettingsDialogTest(1, true) {}

    void SetUp() override
    {
        if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
            GTEST_SKIP() << "needs a session bus of its own (dbus-run-session)";
    }

    // A host call, made from another thread while this one runs the item's message loop.
    template <class Call> auto fromHost(Call call)
    {
        auto answer = std::async(std::launch::async, [&] {
            tray_test::Host host;
            return call(host);
        });
        testing_loop::pumpUntil([&] { return answer.wait_for(0ms) == std::future_status::ready; }, 15s);
        return answer.get();
    }

    std::string service() const { return win32::trayIconService(trayWindow(), IDR_TRAYMENU); }
    HWND trayWindow() const { return dialog->systemTray()->GetSafeHwnd(); }
    bool registersWith(tray_test::Watcher& watcher, std::size_t count = 1)
    {
        return testing_loop::pumpUntil([&] { return watcher.items().size() >= count; }, 5s);
    }
};

TEST_F(TrayOnTheBusTest, PanelSeesTheItemItsMenuAndItsClicks)
{
    tray_test::Watcher watcher;
    ASSERT_TRUE(watcher.start());
    openDialog();
    ASSERT_TRUE(registersWith(watcher));
    EXPECT_EQ(win32::trayIconKind(trayWindow(), IDR_TRAYMENU), win32::TrayIconKind::StatusNotifierItem);
    EXPECT_EQ(watcher.items().front(), service());

    const auto properties = fromHost([&](tray_test::Host& host) {
        std::map<std::string, std::string> read;
        for (const char* name : {"Category", "Id", "Title", "Status", "Menu", "ItemIsMenu"})
            read[name] = host.property(service(), name).value_or("?");
        read["IconPixmap"] = host.iconSizes(service()).value_or("?");
        read["ToolTip"] = host.toolTipTitle(service()).value_or("?");
        return read;
    });
    EXPECT_EQ(properties.at("Category"), "Hardware");
    EXPECT_EQ(properties.at("Id"), "settings_tray_bus_tests"); // the program's name
    EXPECT_EQ(properties.at("Title"), "Tessary");
    EXPECT_EQ(properties.at("ToolTip"), "Tessary");
    EXPECT_EQ(properties.at("Status"), "Active");
    EXPECT_EQ(properties.at("Menu"), "/MenuBar");
    EXPECT_EQ(properties.at("ItemIsMenu"), "false");
    EXPECT_EQ(properties.at("IconPixmap"), "16x16 22x22 24x24 32x32 48x48");

    // The panel asks before it shows the menu: the menu is built then, with the level known (read the first time).
    auto menu = [&] {
        return fromHost([&](tray_test::Host& host) {
            EXPECT_EQ(host.aboutToShow(service()), std::optional<bool>(true));
            return tray_test::describe(host.layout(service()).value_or(std::vector<tray_test::MenuItem>{}));
        });
    };
    EXPECT_EQ(menu(), "_Restore\nCPU\n  High\n  Medium [checked]\n  Low\nE_xit\n");
    const auto clickOn = [&](const std::string& label) {
        return fromHost([&](tray_test::Host& host) {
            const auto items = host.layout(service());
            const tray_test::MenuItem* item = items ? tray_test::findItem(*items, label) : nullptr;
            return item != nullptr && host.click(service(), item->id);
        });
    };
    ASSERT_TRUE(clickOn("High"));
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return driver->cpuLevel() == 1000; }));
    EXPECT_EQ(menu(), "_Restore\nCPU\n  High [checked]\n  Medium\n  Low\nE_xit\n");

    ASSERT_TRUE(testing_loop::pumpUntil([&] { return !IsWindowVisible(window()); }));
    ASSERT_TRUE(fromHost([&](tray_test::Host& host) { return host.activate(service()); }));
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return IsWindowVisible(window()) && !dialog->isHiddenToTray(); }))
        << "activation restores";

    const std::string item = service();
    ASSERT_TRUE(clickOn("E_xit"));
    auto* running = dynamic_cast<win32::detail::DialogWindow*>(win32::detail::windowOf(window()));
    ASSERT_NE(running, nullptr);
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return running->hasEnded(); })) << "Exit ends the dialog";
    dialog->DestroyWindow();
    EXPECT_FALSE(fromHost([&](tray_test::Host& host) { return host.property(item, "Id").has_value(); }))
        << "the icon went with the dialog";
}

TEST_F(TrayOnTheBusTest, ExitTakesTheItemOffTheBus)
{
    tray_test::Watcher watcher;
    ASSERT_TRUE(watcher.start());
    openDialog();
    ASSERT_TRUE(registersWith(watcher));
    const std::string item = service();
    ASSERT_TRUE(fromHost([&](tray_test::Host& host) { return host.property(item, "Id").has_value(); }));
    dialog->DestroyWindow();
    EXPECT_FALSE(fromHost([&](tray_test::Host& host) { return host.property(item, "Id").has_value(); }))
        << "the icon is gone";
}

TEST_F(TrayOnTheBusTest, NoNotificationAreaMeansNoIcon)
{
    openDialog(); // no watcher, and the display has no XEmbed tray
    ASSERT_NE(dialog->systemTray(), nullptr);
    EXPECT_FALSE(dialog->systemTray()->isIconShown());
    EXPECT_EQ(win32::trayIconKind(trayWindow(), IDR_TRAYMENU), win32::TrayIconKind::None);
}

// A panel that starts after the program, or starts again, still shows the icon.
TEST_F(TrayOnTheBusTest, IconComesBackWithEveryNewWatcher)
{
    openDialog();
    ASSERT_FALSE(dialog->systemTray()->isIconShown());
    for (int panel = 1; panel <= 2; ++panel) {
        SCOPED_TRACE(panel);
        tray_test::Watcher watcher;
        ASSERT_TRUE(watcher.start());
        EXPECT_TRUE(registersWith(watcher));
        EXPECT_TRUE(testing_loop::pumpUntil([&] { return dialog->systemTray()->isIconShown(); }));
        EXPECT_EQ(win32::trayIconKind(trayWindow(), IDR_TRAYMENU), win32::TrayIconKind::StatusNotifierItem);
    }
}

// "TaskbarCreated" while the icon is shown (any process may post it: the
// message is registered): the icon stays shown, and Exit still takes it off
// the bus. The re-add used to fail, the icon was taken for gone, Exit left it,
// and it outlived the bus.
TEST_F(TrayOnTheBusTest, TaskbarCreatedWhileShownKeepsTheIcon)
{
    tray_test::Watcher watcher;
    ASSERT_TRUE(watcher.start());
    openDialog();
    ASSERT_TRUE(registersWith(watcher));
    const std::string item = service();
    for (int told = 1; told <= 2; ++told) {
        SCOPED_TRACE(told);
        ASSERT_TRUE(PostMessageA(trayWindow(), RegisterWindowMessageA("TaskbarCreated"), 0, 0));
        testing_loop::pumpFor(200ms);
        EXPECT_TRUE(dialog->systemTray()->isIconShown());
        EXPECT_EQ(service(), item);
    }
    dialog->DestroyWindow();
    EXPECT_FALSE(fromHost([&](tray_test::Host& host) { return host.property(item, "Id").has_value(); }))
        << "the icon outlived the dialog";
}

// The bus connection closing (at the end of the process) takes the icons on it
// first, while it still works, rather than leaving them to release their names
// on a connection already freed.
TEST_F(TrayOnTheBusTest, IconsLetGoBeforeTheBusCloses)
{
    tray_test::Watcher watcher;
    ASSERT_TRUE(watcher.start());
    openDialog();
    ASSERT_TRUE(registersWith(watcher));
    const HWND tray = trayWindow();
    ASSERT_EQ(win32::trayIconKind(tray, IDR_TRAYMENU), win32::TrayIconKind::StatusNotifierItem);
    win32::detail::SessionBus::disconnect();
    EXPECT_EQ(win32::trayIconKind(tray, IDR_TRAYMENU), win32::TrayIconKind::None);
}

// Any peer on the bus may ask AboutToShow, inside a bus call, as often as it
// likes: the menu is built from the CPU level known, and a flood makes no
// driver request. A right click (the panel's ContextMenu) reads the level.
TEST_F(TrayOnTheBusTest, AboutToShowFloodMakesNoDriverRequest)
{
    tray_test::Watcher watcher;
    ASSERT_TRUE(watcher.start());
    openDialog();
    ASSERT_TRUE(registersWith(watcher));
    const auto cpuReads = [&] {
        const auto log = driver->log();
        return std::count_if(log.begin(), log.end(),
                             [](const sim::LogEntry& entry) { return entry.code == 0x80882A80; });
    };
    const auto menu = [&] {
        return fromHost([&](tray_test::Host& host) {
            host.aboutToShow(service());
            return tray_test::describe(host.layout(service()).value_or(std::vector<tray_test::MenuItem>{}));
        });
    };
    EXPECT_EQ(menu(), "_Restore\nCPU\n  High\n  Medium [checked]\n  Low\nE_xit\n");
    const auto readsBefore = cpuReads();
    const int answered = fromHost([&](tray_test::Host& host) {
        int yes = 0;
        for (int i = 0; i < 1000; ++i)
            yes += host.aboutToShow(service()).has_value() ? 1 : 0;
        return yes;
    });
    EXPECT_EQ(answered, 1000);
    EXPECT_EQ(cpuReads(), readsBefore) << "the flood made driver requests";
    EXPECT_EQ(menu(), "_Restore\nCPU\n  High\n  Medium [checked]\n  Low\nE_xit\n");

    ASSERT_TRUE(fromHost([&](tray_test::Host& host) { return host.contextMenu(service(), 10, 10); }));
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return cpuReads() == readsBefore + 1; }))
        << "a right click reads the level";
    juce::PopupMenu::dismissAllActiveMenus();
    testing_loop::pumpFor(100ms);
}

} // namespace
