#include "DialogTemplate.h"

#include <winuser.h>

namespace win32::detail {

namespace {

constexpr WORD kExtendedVersion = 1;
constexpr WORD kExtendedSignature = 0xFFFF;

bool parseItem(ByteReader& reader, DialogItemTemplate& item)
{
    reader.align(4);
    reader.skip(4); // help id
    item.exStyle = reader.u32();
    item.style = reader.u32();
    item.x = reader.s16();
    item.y = reader.s16();
    item.cx = reader.s16();
    item.cy = reader.s16();
    item.id = reader.u32();
    item.windowClass = reader.nameOrOrdinal();
    item.title = reader.nameOrOrdinal();
    const WORD extraCount = reader.u16();
    reader.skip(extraCount);
    return reader.ok();
}

} // namespace

bool parseDialogTemplate(const void* data, std::size_t size, DialogTemplate& dialog)
{
    dialog = {};
    if (data == nullptr)
        return false;
    ByteReader reader(data, size);
    if (reader.u16() != kExtendedVersion || reader.u16() != kExtendedSignature)
        return false;
    reader.skip(4); // help id
    dialog.exStyle = reader.u32();
    dialog.style = reader.u32();
    const WORD itemCount = reader.u16();
    dialog.x = reader.s16();
    dialog.y = reader.s16();
    dialog.cx = reader.s16();
    dialog.cy = reader.s16();
    dialog.menu = reader.nameOrOrdinal();
    dialog.windowClass = reader.nameOrOrdinal();
    dialog.title = reader.string16();
    if (dialog.style & DS_SETFONT) {
        dialog.hasFont = true;
        dialog.pointSize = reader.u16();
        dialog.weight = reader.u16();
        dialog.italic = reader.u8() != 0;
        reader.skip(1); // character set
        dialog.typeface = reader.string16();
    }
    if (!reader.ok())
        return false;
    for (WORD index = 0; index < itemCount; ++index) {
        DialogItemTemplate item;
        if (!parseItem(reader, item))
            return false;
        dialog.items.push_back(std::move(item));
    }
    return true;
}

std::uint16_t predefinedClassOf(const NameOrOrdinal& windowClass)
{
    if (windowClass.isOrdinal)
        return windowClass.ordinal;
    const std::u16string name = upperAscii(windowClass.text);
    if (name == u"BUTTON")
        return kButtonClass;
    if (name == u"STATIC")
        return kStaticClass;
    if (name == u"COMBOBOX")
        return kComboBoxClass;
    return 0;
}

} // namespace win32::detail
