// Lays a dialog out as the dialog manager would at a given DPI, whatever the
// system's DPI is: the template's font at that DPI's pixel height gives the
// base units, and the dialog and every control are moved and sized from the
// template's dialog units. The faces of the program's dialogs are bitmaps of
// fixed pixel size, so the dialogs are laid out at 96 DPI to keep the
// controls over the painted labels. Used as a local object: `restore` gives
// the controls their font back, the geometry stays.
#pragma once

#include "DialogLayoutTemplate.h"

#include <windows.h>
#include <wingdi.h>
#include <winuser.h>

class DialogDpiLayout
{
public:
    DialogDpiLayout();
    ~DialogDpiLayout();

    void apply(HINSTANCE instance, HWND window, UINT templateId, double dpi);
    // The dialog and its controls get their previous font back; the created font is deleted.
    void restore();

    // The base units of the last apply (0 before).
    int baseWidth() const { return baseUnitWidth; }
    int baseHeight() const { return baseUnitHeight; }

    DialogDpiLayout(const DialogDpiLayout&) = delete;
    DialogDpiLayout& operator=(const DialogDpiLayout&) = delete;

private:
    bool loadTemplate(DialogLayoutTemplate& layout) const;
    void measureBaseUnits();
    void layOutDialog(const DialogLayoutTemplate& layout);
    // Gives each control found for a template item, in template order, `font`
    // and, when `move` is set, its place at the base units.
    void walkControls(const DialogLayoutTemplate& layout, HFONT controlFont, bool move);

    UINT templateNumber = 0;
    HINSTANCE module = nullptr;
    HWND dialog = nullptr;
    HFONT font = nullptr;
    HFONT previousFont = nullptr;
    int baseUnitWidth = 0;
    int baseUnitHeight = 0;
};
