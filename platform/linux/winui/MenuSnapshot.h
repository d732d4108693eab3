// A copy of a menu as it stands when it is shown: items, flags, the default
// item and the popups below, so that whoever shows it (a JUCE popup, or a
// panel through the tray) needs the menu handle no longer. And the hook that
// decides who shows the menus of TrackPopupMenu.
#pragma once

#include <winuser.h>

#include <functional>
#include <string>
#include <vector>

namespace win32::detail {

struct MenuSnapshot
{
    struct Item
    {
        UINT id = 0;
        UINT flags = 0;   // MF_GRAYED, MF_CHECKED, MF_POPUP, MF_SEPARATOR
        std::string text; // Windows Latin-1, with its & mnemonic and any tab-separated shortcut
        bool isDefault = false;
        std::vector<Item> items; // of a popup

        bool isSeparator() const { return (flags & MF_SEPARATOR) != 0; }
        bool isPopup() const { return (flags & MF_POPUP) != 0; }
        bool isEnabled() const { return (flags & (MF_GRAYED | MF_DISABLED)) == 0; }
        bool isChecked() const { return (flags & MF_CHECKED) != 0; }
    };
    std::vector<Item> items;
};

// The menu as it stands; empty when the handle names no menu.
MenuSnapshot snapshotOf(HMENU menu);

// The text a menu item shows: the & that marks the mnemonic dropped ("&&" is
// one &), the shortcut after a tab cut off and returned in `shortcut`.
std::string menuItemLabel(const std::string& text, std::string* shortcut = nullptr);

// Shows a menu for TrackPopupMenu at a screen position; the command chosen is
// posted to `owner` as WM_COMMAND (or WM_SYSCOMMAND for a system menu).
using MenuPresenter = std::function<void(const MenuSnapshot& menu, POINT at, HWND owner)>;

// While one lives, TrackPopupMenu hands its menus to `presenter` instead of
// showing them as JUCE popups (the tray does this for a panel that shows the
// menu itself). Message thread only.
class ScopedMenuPresenter
{
public:
    explicit ScopedMenuPresenter(MenuPresenter presenter);
    ~ScopedMenuPresenter();
    ScopedMenuPresenter(const ScopedMenuPresenter&) = delete;
    ScopedMenuPresenter& operator=(const ScopedMenuPresenter&) = delete;

private:
    MenuPresenter previous;
};

// Shows the menu as a JUCE popup at `at`; the choice goes to `owner` as
// `commandMessage` (WM_COMMAND or WM_SYSCOMMAND) once the popup closes.
void showPopupMenu(const MenuSnapshot& menu, POINT at, HWND owner, UINT commandMessage);
// Shows the menu as a JUCE popup at `at` and runs messages until it closes;
// the command chosen, 0 when none was (or a WM_QUIT ended the wait).
UINT choosePopupMenuItem(const MenuSnapshot& menu, POINT at);

// The system menu of a dialog: made on first use, gone with the dialog.
HMENU systemMenuOf(HWND window, bool revert);
// A system menu changed: its window updates what shows it (the close box).
void systemMenuChanged(HWND window);
// A new system menu for a window of this style.
HMENU makeSystemMenu(HWND window, DWORD style);

} // namespace win32::detail
