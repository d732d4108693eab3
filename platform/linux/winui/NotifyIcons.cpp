// Shell_NotifyIconA: the program's notification-area icons, each shown as a
// StatusNotifierItem on the session bus or, without a watcher there, as
// JUCE's XEmbed tray icon.
#include "MenuSnapshot.h"
#include "QueuedXEvents.h"
#include "SessionBus.h"
#include "StatusNotifierItem.h"
#include "WindowObject.h"
#include "WindowText.h"
#include "XEmbedTray.h"

#include <shellapi.h>
#include <win32/StandIn.h>
#include <win32/WindowSystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace win32::detail {

namespace {

constexpr int kXEmbedIconSize = 22;
// How long an XEmbed tray may take to dock the icon before the add fails.
constexpr int kXEmbedDockTimeoutMs = 2000;

struct NotifyIcon;

// The icon in an XEmbed tray: a JUCE component in a window of its own, which
// the tray docks and shows; the clicks are passed on. It shows itself only
// once docked, so that no window manager takes its window first.
class XEmbedTrayIcon : public juce::Component
{
public:
    XEmbedTrayIcon(juce::Image icon, std::function<void(UINT)> mouse) : image(std::move(icon)), notify(std::move(mouse))
    {
        setBounds(0, 0, kXEmbedIconSize, kXEmbedIconSize);
        addToDesktop(juce::ComponentPeer::windowIsTemporary);
        // JUCE's own hints for the window, still queued on its connection,
        // would reach the tray after the dock request and undo the size set for it.
        flushJuceXRequests();
        docked = dockInXEmbedTray(getWindowHandle(), kXEmbedIconSize, kXEmbedDockTimeoutMs);
    }

    bool isDocked() const { return docked; }
    void setImage(const juce::Image& icon)
    {
        image = icon;
        repaint();
    }

    void paint(juce::Graphics& g) override
    {
        g.drawImage(image, getLocalBounds().toFloat(), juce::RectanglePlacement::centred);
    }

    // The tray sized the window: it is docked, and JUCE has just replaced its size hints.
    void resized() override
    {
        if (!docked || getWindowHandle() == nullptr)
            return;
        keepMinimumSize(getWindowHandle(), kXEmbedIconSize);
        if (!isVisible() && getBounds() != juce::Rectangle<int>(0, 0, kXEmbedIconSize, kXEmbedIconSize))
            setVisible(true);
    }

    void mouseDown(const juce::MouseEvent& event) override
    {
        notify(event.mods.isPopupMenu() ? WM_RBUTTONDOWN : WM_LBUTTONDOWN);
    }
    void mouseUp(const juce::MouseEvent& event) override
    {
        notify(event.mods.isPopupMenu() ? WM_RBUTTONUP : WM_LBUTTONUP);
    }
    void mouseDoubleClick(const juce::MouseEvent& event) override
    {
        if (!event.mods.isPopupMenu())
            notify(WM_LBUTTONDBLCLK);
    }

private:
    juce::Image image;
    std::function<void(UINT)> notify;
    bool docked = false;
};

struct NotifyIcon
{
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    juce::Image image;
    std::string tip;
    std::unique_ptr<StatusNotifierItem> item;
    std::unique_ptr<XEmbedTrayIcon> xembed;

    // The icon's callback message to its window, as the shell sends it.
    void notify(UINT mouseMessage) const
    {
        if (callbackMessage != 0)
            SendMessageA(window, callbackMessage, id, static_cast<LPARAM>(mouseMessage));
    }
};

// Never destroyed: the session bus, which may outlive every other static,
// drops the icons on it when it closes at exit.
std::vector<std::unique_ptr<NotifyIcon>>& icons()
{
    static auto* shown = new std::vector<std::unique_ptr<NotifyIcon>>;
    return *shown;
}

NotifyIcon* find(HWND window, UINT id)
{
    for (auto& icon : icons())
        if (icon->window == window && icon->id == id)
            return icon.get();
    return nullptr;
}

// A watcher that appears (a panel starting, or starting again) finds none of
// the icons: they are dropped, and the program is told to add them again.
// When the connection closes (at the end of the process, say), the icons on
// it and the watch go first, while it still works.
void watchForWatcher(SessionBus& bus)
{
    // Never destroyed, for the same reason as the icons.
    static auto& watch = *new std::shared_ptr<void>;
    static SessionBus* watched = nullptr;
    if (watched == &bus && watch != nullptr)
        return;
    if (watched != &bus)
        bus.whenClosing([&bus] {
            auto& shown = icons();
            shown.erase(
                std::remove_if(shown.begin(), shown.end(),
                               [&bus](const auto& icon) { return icon->item != nullptr && &icon->item->bus == &bus; }),
                shown.end());
            if (watched == &bus) {
                watch.reset();
                watched = nullptr;
            }
        });
    watched = &bus;
    watch = bus.watchOwner(StatusNotifierItem::kWatcherName, [](bool owned) {
        if (!owned)
            return;
        icons().clear();
        PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    });
}

// The panel is about to show the menu: the program is asked for it with
// WM_CONTEXTMENU, and the menu it tracks goes to the panel. Any peer on the
// bus may ask this as often as it likes, inside a bus call, so the program
// builds it from what it knows; a right click is WM_RBUTTONUP. A program that
// builds its menu only on a right click is sent one, once, for the first menu.
void buildMenuForPanel(NotifyIcon& icon)
{
    bool presented = false;
    ScopedMenuPresenter presenter([&icon, &presented](const MenuSnapshot& menu, POINT, HWND owner) {
        presented = true;
        if (icon.item != nullptr)
            icon.item->publishMenu(menu, owner);
    });
    icon.notify(WM_CONTEXTMENU);
    if (!presented && icon.item != nullptr && !icon.item->hasMenu())
        icon.notify(WM_RBUTTONUP);
}

bool showOnBus(NotifyIcon& icon)
{
    SessionBus* bus = SessionBus::get();
    if (bus == nullptr)
        return false;
    watchForWatcher(*bus);
    if (!bus->hasOwner(StatusNotifierItem::kWatcherName))
        return false;
    // The panel's clicks come back as the mouse messages the program knows.
    const HWND window = icon.window;
    const UINT id = icon.id;
    auto notify = [window, id](UINT mouseMessage) {
        if (NotifyIcon* live = find(window, id))
            live->notify(mouseMessage);
    };
    StatusNotifierItem::Events events;
    events.activate = [notify](POINT) { notify(WM_LBUTTONDBLCLK); };
    events.secondaryActivate = [notify](POINT) { notify(WM_MBUTTONUP); };
    events.contextMenu = [notify](POINT) { notify(WM_RBUTTONUP); };
    events.menuAboutToShow = [window, id] {
        if (NotifyIcon* live = find(window, id))
            buildMenuForPanel(*live);
    };
    icon.item = std::make_unique<StatusNotifierItem>(*bus, win32::programName(), std::move(events));
    icon.item->setIcon(icon.image);
    icon.item->setTitle(icon.tip);
    std::string error;
    if (icon.item->show(error))
        return true;
    std::fprintf(stderr, "%s: the notification area did not take the icon: %s\n", win32::programName().c_str(),
                 error.c_str());
    icon.item.reset();
    return false;
}

// An XEmbed tray that starts (again) has none of the icons: those docked in
// one are dropped, and the program is told to add them again.
void watchForXEmbedTray()
{
    watchForXEmbedTrays([] {
        auto& shown = icons();
        shown.erase(
            std::remove_if(shown.begin(), shown.end(), [](const auto& icon) { return icon->xembed != nullptr; }),
            shown.end());
        PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    });
}

bool showInXEmbedTray(NotifyIcon& icon)
{
    watchForXEmbedTray();
    if (!xembedTrayPresent())
        return false;
    const HWND window = icon.window;
    const UINT id = icon.id;
    icon.xembed = std::make_unique<XEmbedTrayIcon>(icon.image, [window, id](UINT mouseMessage) {
        if (NotifyIcon* live = find(window, id))
            live->notify(mouseMessage);
    });
    if (icon.xembed->isDocked())
        return true;
    std::fprintf(stderr, "%s: the XEmbed tray did not take the icon within %d ms\n", win32::programName().c_str(),
                 kXEmbedDockTimeoutMs);
    icon.xembed.reset();
    return false;
}

void takeFields(NotifyIcon& icon, const NOTIFYICONDATAA& data)
{
    if (data.uFlags & NIF_MESSAGE)
        icon.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
        icon.image = win32::imageOf(data.hIcon);
    if (data.uFlags & NIF_TIP)
        icon.tip.assign(data.szTip, strnlen(data.szTip, sizeof data.szTip));
}

BOOL add(const NOTIFYICONDATAA& data)
{
    if (find(data.hWnd, data.uID) != nullptr || !IsWindow(data.hWnd))
        return FALSE;
    auto icon = std::make_unique<NotifyIcon>();
    icon->window = data.hWnd;
    icon->id = data.uID;
    takeFields(*icon, data);
    icons().push_back(std::move(icon));
    NotifyIcon& added = *icons().back();
    if (showOnBus(added) || showInXEmbedTray(added))
        return TRUE;
    icons().pop_back();
    return FALSE;
}

BOOL modify(const NOTIFYICONDATAA& data)
{
    NotifyIcon* icon = find(data.hWnd, data.uID);
    if (icon == nullptr)
        return FALSE;
    takeFields(*icon, data);
    if (icon->item != nullptr) {
        icon->item->setIcon(icon->image);
        icon->item->setTitle(icon->tip);
    }
    if (icon->xembed != nullptr)
        icon->xembed->setImage(icon->image);
    return TRUE;
}

BOOL remove(const NOTIFYICONDATAA& data)
{
    auto& shown = icons();
    for (auto it = shown.begin(); it != shown.end(); ++it)
        if ((*it)->window == data.hWnd && (*it)->id == data.uID) {
            shown.erase(it);
            return TRUE;
        }
    return FALSE;
}

} // namespace

} // namespace win32::detail

namespace win32 {

TrayIconKind trayIconKind(HWND window, UINT id)
{
    const detail::NotifyIcon* icon = detail::find(window, id);
    if (icon == nullptr)
        return TrayIconKind::None;
    return icon->item != nullptr ? TrayIconKind::StatusNotifierItem : TrayIconKind::XEmbed;
}

std::string trayIconService(HWND window, UINT id)
{
    const detail::NotifyIcon* icon = detail::find(window, id);
    return icon != nullptr && icon->item != nullptr ? icon->item->serviceName() : std::string();
}

} // namespace win32

BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData)
{
    if (lpData == nullptr || (lpData->cbSize != NOTIFYICONDATAA_V2_SIZE && lpData->cbSize != sizeof(NOTIFYICONDATAA)))
        return FALSE;
    switch (dwMessage) {
    case NIM_ADD:
        return win32::detail::add(*lpData);
    case NIM_MODIFY:
        return win32::detail::modify(*lpData);
    case NIM_DELETE:
        return win32::detail::remove(*lpData);
    default:
        return FALSE;
    }
}
