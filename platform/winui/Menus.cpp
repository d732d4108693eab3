// Menus loaded from resources: their items, check marks and default item.
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
