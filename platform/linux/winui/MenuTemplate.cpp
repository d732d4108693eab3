#include "MenuTemplate.h"

#include "ByteReader.h"

#include <winuser.h>

namespace win32::detail {

namespace {

constexpr int kMaxMenuDepth = 8;

bool parseItems(ByteReader& reader, std::vector<MenuTemplateItem>& items, int depth)
{
    if (depth > kMaxMenuDepth)
        return false;
    for (;;) {
        MenuTemplateItem item;
        const WORD flags = reader.u16();
        if (!(flags & MF_POPUP))
            item.id = reader.u16();
        item.text = toAnsi(reader.string16());
        if (!reader.ok())
            return false;
        item.flags = flags & ~static_cast<UINT>(MF_END);
        if (!(flags & MF_POPUP) && item.id == 0 && item.text.empty())
            item.flags |= MF_SEPARATOR;
        if ((flags & MF_POPUP) && !parseItems(reader, item.items, depth + 1))
            return false;
        items.push_back(std::move(item));
        if (flags & MF_END)
            return true;
    }
}

} // namespace

bool parseMenuTemplate(const void* data, std::size_t size, std::vector<MenuTemplateItem>& items)
{
    items.clear();
    if (data == nullptr)
        return false;
    ByteReader reader(data, size);
    const WORD version = reader.u16();
    const WORD headerSize = reader.u16();
    reader.skip(headerSize);
    if (!reader.ok() || version != 0)
        return false;
    std::vector<MenuTemplateItem> parsed;
    if (!parseItems(reader, parsed, 0))
        return false;
    items = std::move(parsed);
    return true;
}

} // namespace win32::detail
