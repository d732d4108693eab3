// A menu resource in the standard form (MENU): a header of two words, then
// the items, each its flags, a command id unless it opens a popup, and its
// text; a popup's items follow it, and MF_END marks the last item of a level.
#pragma once

#include <windef.h>

#include <memory>
#include <string>
#include <vector>

namespace win32::detail {

struct MenuTemplateItem
{
    UINT flags = 0; // MF_GRAYED, MF_CHECKED, MF_POPUP, MF_SEPARATOR (no text and no id) ...
    UINT id = 0;
    std::string text;                    // Windows Latin-1
    std::vector<MenuTemplateItem> items; // of a popup
};

// The top-level items; false when the data is not a complete menu.
bool parseMenuTemplate(const void* data, std::size_t size, std::vector<MenuTemplateItem>& items);

} // namespace win32::detail
