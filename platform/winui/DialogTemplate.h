// The dialog manager's reading of an extended dialog template (DLGTEMPLATEEX)
// and of the dialog's initial control data (the DLGINIT resource).
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

// One message of a DLGINIT resource: sent to control `controlId` with the data
// (a zero-terminated string) as lParam.
struct DialogInitMessage
{
    WORD controlId = 0;
    UINT message = 0;
    std::string data;
};

// The messages up to the terminating 0; false when the data ends before it.
// Messages are given in their Win32 numbers (the resource keeps the 16-bit
// ones of CB_ADDSTRING and LB_ADDSTRING).
bool parseDialogInit(const void* data, std::size_t size, std::vector<DialogInitMessage>& messages);

} // namespace win32::detail
