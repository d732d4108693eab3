// The tray icon on a session bus of the test's own (run under dbus-run-session):
// a watcher and a host of the test's own register the item, read its
// properties and menu, and click as a panel does; a watcher that comes late,
// or comes again, still gets the icon.
#include "SettingsDialogFixture.h"
#include "TrayTestHost.h"

#include "CSystemTray.h"

#include <DialogWindow.h>

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

    // The panel asks before it shows the menu: the menu is built then, the level read then.
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

} // namespace
