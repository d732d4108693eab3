// The dialog manager's reading of an extended dialog template (DLGTEMPLATEEX).
#pragma once

#include "ByteReader.h"

#include <windef.h>

#include <string>
#include <vector>

namespace win32::detail {

// Predefined window classes, as ordinals in a template.
constexpr std::uint16_t kButtonClass = 0x0080;
constexpr std::uint16_t kStaticClass = 0x0082;
constexpr std::uint16_t kComboBoxClass = 0x0085;

struct DialogItemTemplate
{
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
};

struct DialogTemplate
{
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string title;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    bool italic = false;
    std::u16string typeface;
    std::vector<DialogItemTemplate> items;
};

// False for anything but a complete DLGTEMPLATEEX within the data.
bool parseDialogTemplate(const void* data, std::size_t size, DialogTemplate& dialog);

// The predefined class an item names, by ordinal or by name ("Button",
// "Static", "ComboBox" in any case); 0 for any other class.
std::uint16_t predefinedClassOf(const NameOrOrdinal& windowClass);

} // namespace win32::detail
