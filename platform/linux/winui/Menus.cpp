// Menus loaded from resources or made in code, system menus, their items,
// check marks and default item, and TrackPopupMenu.
#include "MenuSnapshot.h"
#include "MenuTemplate.h"
#include "Modules.h"
#include "UserObjects.h"

#include <winuser.h>

#include <cstring>

using namespace win32::detail;

namespace {

constexpr UINT kNoItem = 0xFFFFFFFF;

class MenuObject : public UserObject
{
public:
    struct Item
    {
        UINT flags = 0;
        UINT id = 0;
        std::string text;
        HMENU submenu = nullptr;
    };
    std::vector<Item> items;
    int defaultPosition = -1;
    HWND systemMenuOf = nullptr; // the window whose system menu this is
};

std::shared_ptr<MenuObject> menuOf(HMENU menu)
{
    return UserObjects::instance().lookupAs<MenuObject>(menu);
}

HMENU buildMenu(const std::vector<MenuTemplateItem>& items)
{
    auto menu = std::make_shared<MenuObject>();
    for (const MenuTemplateItem& source : items) {
        MenuObject::Item item;
        item.flags = source.flags;
        item.id = source.id;
        item.text = source.text;
        if (source.flags & MF_POPUP)
            item.submenu = buildMenu(source.items);
        menu->items.push_back(std::move(item));
    }
    return static_cast<HMENU>(UserObjects::instance().insert(menu));
}

MenuObject::Item itemOf(UINT flags, UINT_PTR id, LPCSTR text)
{
    MenuObject::Item item;
    item.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR);
    if (flags & MF_POPUP)
        item.submenu = reinterpret_cast<HMENU>(id);
    else if (!(flags & MF_SEPARATOR))
        item.id = static_cast<UINT>(id);
    if (text != nullptr && !(flags & MF_SEPARATOR))
        item.text = text;
    return item;
}

// A system menu's window shows some of its items outside the menu too.
void noteChange(const std::shared_ptr<MenuObject>& menu)
{
    if (menu && menu->systemMenuOf != nullptr)
        systemMenuChanged(menu->systemMenuOf);
}

MenuSnapshot::Item snapshotItem(const MenuObject::Item& item, bool isDefault)
{
    MenuSnapshot::Item copy;
    copy.id = item.id;
    copy.flags = item.flags;
    copy.text = item.text;
    copy.isDefault = isDefault;
    if (item.submenu != nullptr)
        copy.items = snapshotOf(item.submenu).items;
    return copy;
}

MenuPresenter& installedPresenter()
{
    static MenuPresenter presenter;
    return presenter;
}

// The item `item` names, by position or by command; a command is looked for in
// popups too, as Windows does. The menu holding it is returned in `owner`.
MenuObject::Item* findItem(HMENU menu, UINT item, UINT flags, std::shared_ptr<MenuObject>& owner,
                           int* position = nullptr)
{
    auto object = menuOf(menu);
    if (!object)
        return nullptr;
    if (flags & MF_BYPOSITION) {
        if (item >= object->items.size())
            return nullptr;
        owner = object;
        if (position != nullptr)
            *position = static_cast<int>(item);
        return &object->items[item];
    }
    for (std::size_t i = 0; i < object->items.size(); ++i) {
        MenuObject::Item& candidate = object->items[i];
        if (candidate.submenu != nullptr) {
            if (auto* found = findItem(candidate.submenu, item, flags, owner, position))
                return found;
        } else if (candidate.id == item && !(candidate.flags & MF_SEPARATOR)) {
            owner = object;
            if (position != nullptr)
                *position = static_cast<int>(i);
            return &candidate;
        }
    }
    return nullptr;
}

} // namespace

HMENU WINAPI LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName)
{
    const ResourceEntry* entry = findResourceEntry(hInstance, lpMenuName, RT_MENU);
    std::vector<MenuTemplateItem> items;
    if (entry == nullptr || !parseMenuTemplate(entry->data, entry->size, items)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return buildMenu(items);
}

BOOL WINAPI DestroyMenu(HMENU hMenu)
{
    auto menu = menuOf(hMenu);
    if (!menu)
        return FALSE;
    for (const auto& item : menu->items)
        if (item.submenu != nullptr)
            DestroyMenu(item.submenu);
    return UserObjects::instance().remove(hMenu) ? TRUE : FALSE;
}

HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos)
{
    auto menu = menuOf(hMenu);
    if (!menu || nPos < 0 || static_cast<std::size_t>(nPos) >= menu->items.size())
        return nullptr;
    return menu->items[static_cast<std::size_t>(nPos)].submenu;
}

int WINAPI GetMenuItemCount(HMENU hMenu)
{
    auto menu = menuOf(hMenu);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos)
{
    auto menu = menuOf(hMenu);
    if (!menu || nPos < 0 || static_cast<std::size_t>(nPos) >= menu->items.size())
        return kNoItem;
    const auto& item = menu->items[static_cast<std::size_t>(nPos)];
    return item.submenu != nullptr ? kNoItem : item.id;
}

int WINAPI GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags)
{
    std::shared_ptr<MenuObject> owner;
    const auto* item = findItem(hMenu, uIDItem, flags, owner);
    if (item == nullptr)
        return 0;
    const int length = static_cast<int>(item->text.size());
    if (lpString == nullptr || cchMax <= 0)
        return length;
    const int copied = std::min(length, cchMax - 1);
    std::memcpy(lpString, item->text.data(), static_cast<std::size_t>(copied));
    lpString[copied] = '\0';
    return copied;
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags)
{
    std::shared_ptr<MenuObject> owner;
    int position = -1;
    const auto* item = findItem(hMenu, uId, uFlags, owner, &position);
    if (item == nullptr)
        return kNoItem;
    return item->flags | (owner->defaultPosition == position ? MF_DEFAULT : 0);
}

DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck)
{
    std::shared_ptr<MenuObject> owner;
    auto* item = findItem(hMenu, uIDCheckItem, uCheck & MF_BYPOSITION, owner);
    if (item == nullptr)
        return kNoItem;
    const DWORD previous = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~static_cast<UINT>(MF_CHECKED)) | (uCheck & MF_CHECKED);
    return previous;
}

BOOL WINAPI SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos)
{
    auto menu = menuOf(hMenu);
    if (!menu)
        return FALSE;
    if (uItem == kNoItem) {
        menu->defaultPosition = -1;
        return TRUE;
    }
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
        const bool matches = fByPos ? i == uItem : (menu->items[i].submenu == nullptr && menu->items[i].id == uItem);
        if (matches) {
            menu->defaultPosition = static_cast<int>(i);
            return TRUE;
        }
    }
    return FALSE;
}

UINT WINAPI GetMenuDefaultItem(HMENU hMenu, UINT fByPos, UINT)
{
    auto menu = menuOf(hMenu);
    if (!menu || menu->defaultPosition < 0)
        return kNoItem;
    if (fByPos)
        return static_cast<UINT>(menu->defaultPosition);
    return menu->items[static_cast<std::size_t>(menu->defaultPosition)].id;
}

HMENU WINAPI CreatePopupMenu()
{
    return static_cast<HMENU>(UserObjects::instance().insert(std::make_shared<MenuObject>()));
}

BOOL WINAPI AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    auto menu = menuOf(hMenu);
    if (!menu)
        return FALSE;
    menu->items.push_back(itemOf(uFlags, uIDNewItem, lpNewItem));
    noteChange(menu);
    return TRUE;
}

BOOL WINAPI ModifyMenuA(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    std::shared_ptr<MenuObject> owner;
    auto* item = findItem(hMnu, uPosition, uFlags & MF_BYPOSITION, owner);
    if (item == nullptr)
        return FALSE;
    *item = itemOf(uFlags, uIDNewItem, lpNewItem);
    noteChange(owner);
    return TRUE;
}

BOOL WINAPI EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    std::shared_ptr<MenuObject> owner;
    auto* item = findItem(hMenu, uIDEnableItem, uEnable & MF_BYPOSITION, owner);
    if (item == nullptr)
        return -1;
    const UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    noteChange(owner);
    return static_cast<BOOL>(previous);
}

HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert)
{
    return systemMenuOf(hWnd, bRevert != FALSE);
}

BOOL WINAPI TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hWnd, const RECT*)
{
    if (!menuOf(hMenu) || !IsWindow(hWnd))
        return FALSE;
    const MenuSnapshot menu = snapshotOf(hMenu);
    if ((uFlags & TPM_RETURNCMD) != 0) {
        if (installedPresenter()) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        return static_cast<BOOL>(choosePopupMenuItem(menu, POINT{x, y}));
    }
    if (installedPresenter())
        installedPresenter()(menu, POINT{x, y}, hWnd);
    else
        showPopupMenu(menu, POINT{x, y}, hWnd, WM_COMMAND);
    return TRUE;
}

namespace win32::detail {

MenuSnapshot snapshotOf(HMENU handle)
{
    MenuSnapshot snapshot;
    if (auto menu = menuOf(handle))
        for (std::size_t i = 0; i < menu->items.size(); ++i)
            snapshot.items.push_back(snapshotItem(menu->items[i], static_cast<int>(i) == menu->defaultPosition));
    return snapshot;
}

std::string menuItemLabel(const std::string& text, std::string* shortcut)
{
    const auto tab = text.find('\t');
    if (shortcut != nullptr)
        *shortcut = tab == std::string::npos ? std::string() : text.substr(tab + 1);
    std::string label;
    for (std::size_t i = 0; i < text.size() && i != tab; ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&')
            continue;
        if (text[i] == '&')
            ++i; // "&&" shows one
        label += text[i];
    }
    return label;
}

ScopedMenuPresenter::ScopedMenuPresenter(MenuPresenter presenter) : previous(std::move(installedPresenter()))
{
    installedPresenter() = std::move(presenter);
}

ScopedMenuPresenter::~ScopedMenuPresenter()
{
    installedPresenter() = std::move(previous);
}

// The system menu of a dialog with a caption: Restore, Minimize (with a
// minimise box), a separator and Close, as the dialog manager makes it.
HMENU makeSystemMenu(HWND window, DWORD style)
{
    auto menu = std::make_shared<MenuObject>();
    menu->items.push_back(itemOf(MF_STRING | MF_GRAYED, SC_RESTORE, "&Restore"));
    if (style & WS_MINIMIZEBOX)
        menu->items.push_back(itemOf(MF_STRING, SC_MINIMIZE, "Mi&nimize"));
    menu->items.push_back(itemOf(MF_SEPARATOR, 0, nullptr));
    menu->items.push_back(itemOf(MF_STRING, SC_CLOSE, "&Close\tAlt+F4"));
    menu->systemMenuOf = window;
    return static_cast<HMENU>(UserObjects::instance().insert(menu));
}

} // namespace win32::detail
