#include "DialogDpiLayout.h"

namespace {

constexpr int kTemplateUnitsX = 4;
constexpr int kTemplateUnitsY = 8;
constexpr char kBaseUnitLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kBaseUnitLetterCount = 52;

// trunc(v + 0.5), as the layout rounds.
int rounded(double value)
{
    return static_cast<int>(value + 0.5);
}

int scaled(int units, int baseUnit, int unitsPerBase)
{
    return rounded(static_cast<double>(units) * baseUnit / unitsPerBase);
}

} // namespace

DialogDpiLayout::DialogDpiLayout() = default;

DialogDpiLayout::~DialogDpiLayout()
{
    restore();
}

void DialogDpiLayout::apply(HINSTANCE instance, HWND window, UINT templateId, double dpi)
{
    if (dialog != nullptr)
        restore();
    module = instance;
    templateNumber = templateId;
    dialog = window;

    DialogLayoutTemplate layout;
    if (!loadTemplate(layout)) {
        dialog = nullptr;
        return;
    }
    int pointSize = layout.pointSize;
    if (pointSize < 0 || pointSize > 0x7FFF)
        pointSize = -pointSize & 0xFFFF;

    const int height = -static_cast<int>(pointSize * dpi / 72.0 + 0.5);
    font = CreateFontW(height, 0, 0, 0, layout.weight, layout.italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       reinterpret_cast<LPCWSTR>(layout.faceName.c_str()));
    previousFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    measureBaseUnits();
    layOutDialog(layout);
    walkControls(layout, font, true);
}

void DialogDpiLayout::restore()
{
    if (dialog == nullptr)
        return;
    SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(previousFont), TRUE);
    DialogLayoutTemplate layout;
    if (loadTemplate(layout))
        walkControls(layout, previousFont, false);
    if (font != nullptr)
        DeleteObject(font);
    dialog = nullptr;
    font = nullptr;
    previousFont = nullptr;
}

bool DialogDpiLayout::loadTemplate(DialogLayoutTemplate& layout) const
{
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(templateNumber), RT_DIALOG);
    if (resource == nullptr)
        return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = LockResource(loaded);
    const bool read = readDialogLayoutTemplate(data, SizeofResource(module, resource), layout);
    FreeResource(loaded);
    return read;
}

void DialogDpiLayout::measureBaseUnits()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics = {};
    SIZE extent = {};
    GetTextMetricsA(dc, &metrics);
    GetTextExtentPointA(dc, kBaseUnitLetters, kBaseUnitLetterCount, &extent);
    baseUnitWidth = (extent.cx / 26 + 1) / 2;
    baseUnitHeight = metrics.tmHeight;
    SelectObject(dc, previous);
    EndPaint(dialog, &paint);
}

void DialogDpiLayout::layOutDialog(const DialogLayoutTemplate& layout)
{
    RECT client;
    GetClientRect(dialog, &client);
    client.right = client.left + scaled(layout.cx, baseUnitWidth, kTemplateUnitsX);
    client.bottom = client.top + scaled(layout.cy, baseUnitHeight, kTemplateUnitsY);
    POINT topLeft = {client.left, client.top};
    POINT bottomRight = {client.right, client.bottom};
    ClientToScreen(dialog, &topLeft);
    ClientToScreen(dialog, &bottomRight);
    RECT window = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    AdjustWindowRectEx(&window, layout.style, layout.hasMenu ? TRUE : FALSE, layout.exStyle);
    MoveWindow(dialog, window.left, window.top, window.right - window.left, window.bottom - window.top, TRUE);
}

void DialogDpiLayout::walkControls(const DialogLayoutTemplate& layout, HFONT controlFont, bool move)
{
    HWND previousMatch = nullptr;
    for (const DialogLayoutItem& item : layout.items) {
        // Each search starts after the last match, so items sharing an id match in template order.
        HWND control = previousMatch == nullptr ? GetWindow(dialog, GW_CHILD) : GetWindow(previousMatch, GW_HWNDNEXT);
        while (control != nullptr && static_cast<DWORD>(GetDlgCtrlID(control)) != item.id)
            control = GetWindow(control, GW_HWNDNEXT);
        if (control == nullptr)
            return;
        if (move)
            MoveWindow(control, scaled(item.x, baseUnitWidth, kTemplateUnitsX),
                       scaled(item.y, baseUnitHeight, kTemplateUnitsY), scaled(item.cx, baseUnitWidth, kTemplateUnitsX),
                       scaled(item.cy, baseUnitHeight, kTemplateUnitsY), TRUE);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont), TRUE);
        previousMatch = control;
    }
}
