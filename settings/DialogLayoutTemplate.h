// What DialogDpiLayout reads from an extended dialog template (DLGTEMPLATEEX):
// the styles, the size in dialog units, the font and, for every item in
// template order, its rectangle and control id.
#pragma once

#include <windef.h>

#include <string>
#include <vector>

struct DialogLayoutItem
{
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
};

struct DialogLayoutTemplate
{
    DWORD exStyle = 0;
    DWORD style = 0;
    short cx = 0, cy = 0;
    bool hasMenu = false;
    int pointSize = 8;
    int weight = 400;
    bool italic = false;
    std::u16string faceName = u"Tahoma";
    // The items up to the first one that does not lie wholly within the template.
    std::vector<DialogLayoutItem> items;
};

// False, leaving `layout` as it was, for anything but an extended template
// whose header and font lie within the data.
bool readDialogLayoutTemplate(const void* data, std::size_t size, DialogLayoutTemplate& layout);
