// Fonts, display contexts and text measurement.
#include "FontObject.h"
#include "ImageObjects.h"

#include <win32/WindowSystem.h>
#include <winuser.h>

#include <atomic>
#include <map>
#include <cmath>

using namespace win32::detail;

namespace {

// A display context only measures text: it holds the selected font.
class DeviceContext : public UserObject
{
public:
    HWND window = nullptr;
    HGDIOBJ font = nullptr;
    juce::Graphics* graphics = nullptr; // while the window paints
};

std::map<void*, juce::Graphics*>& paintingWindows()
{
    static std::map<void*, juce::Graphics*> windows;
    return windows;
}

std::atomic<int> dpiOverride{0};
constexpr int kDefaultDpi = 96;

// The font a new display context starts with, as Windows selects its system font.
HGDIOBJ stockFont()
{
    static HGDIOBJ font =
        UserObjects::instance().insert(std::make_shared<FontObject>(-11, FW_NORMAL, false, u"Tahoma"));
    return font;
}

std::shared_ptr<FontObject> selectedFont(HDC hdc)
{
    auto context = UserObjects::instance().lookupAs<DeviceContext>(hdc);
    if (!context)
        return nullptr;
    return UserObjects::instance().lookupAs<FontObject>(context->font);
}

} // namespace

namespace win32::detail {

ScopedWindowPaint::ScopedWindowPaint(void* paintedWindow, juce::Graphics& g)
    : window(paintedWindow), previous(paintingWindows()[paintedWindow])
{
    paintingWindows()[window] = &g;
}

ScopedWindowPaint::~ScopedWindowPaint()
{
    if (previous != nullptr)
        paintingWindows()[window] = previous;
    else
        paintingWindows().erase(window);
}

juce::Graphics* graphicsOf(void* dc)
{
    auto context = UserObjects::instance().lookupAs<DeviceContext>(dc);
    return context ? context->graphics : nullptr;
}

} // namespace win32::detail

namespace win32 {

int systemDpi()
{
    if (const int dpi = dpiOverride.load(); dpi > 0)
        return dpi;
    if (juce::MessageManager::getInstanceWithoutCreating() == nullptr)
        return kDefaultDpi;
    const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    if (display == nullptr || display->dpi <= 0 || display->scale <= 0)
        return kDefaultDpi;
    return static_cast<int>(std::lround(display->dpi / display->scale));
}

void setSystemDpi(int dpi)
{
    dpiOverride = dpi;
}

juce::Image imageOf(HICON icon)
{
    auto object = UserObjects::instance().lookupAs<IconObject>(icon);
    return object ? object->image : juce::Image();
}

juce::Image imageOf(HBITMAP bitmap)
{
    auto object = UserObjects::instance().lookupAs<BitmapObject>(bitmap);
    return object ? object->image : juce::Image();
}

} // namespace win32

HFONT WINAPI CreateFontW(int cHeight, int, int, int, int cWeight, DWORD bItalic, DWORD, DWORD, DWORD, DWORD, DWORD,
                         DWORD, DWORD, LPCWSTR pszFaceName)
{
    const std::u16string face = pszFaceName != nullptr ? std::u16string(pszFaceName) : std::u16string();
    return static_cast<HFONT>(
        UserObjects::instance().insert(std::make_shared<FontObject>(cHeight, cWeight, bItalic != 0, face)));
}

BOOL WINAPI DeleteObject(HGDIOBJ ho)
{
    auto& objects = UserObjects::instance();
    if (ho == stockFont())
        return TRUE; // stock objects are never deleted
    if (!objects.lookupAs<FontObject>(ho) && !objects.lookupAs<BitmapObject>(ho))
        return FALSE;
    return objects.remove(ho) ? TRUE : FALSE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h)
{
    auto context = UserObjects::instance().lookupAs<DeviceContext>(hdc);
    if (!context || !UserObjects::instance().lookupAs<FontObject>(h))
        return nullptr;
    HGDIOBJ previous = context->font;
    context->font = h;
    return previous;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm)
{
    auto font = selectedFont(hdc);
    if (!font || lptm == nullptr)
        return FALSE;
    *lptm = font->textMetrics();
    return TRUE;
}

BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz)
{
    auto font = selectedFont(hdc);
    if (!font || lpsz == nullptr || c < 0 || (lpString == nullptr && c > 0))
        return FALSE;
    LONG width = 0;
    for (int i = 0; i < c; ++i)
        width += font->advance(static_cast<unsigned char>(lpString[i]));
    lpsz->cx = width;
    lpsz->cy = font->textMetrics().tmHeight;
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz)
{
    return GetTextExtentPointA(hdc, lpString, c, lpsz);
}

int WINAPI GetDeviceCaps(HDC, int index)
{
    if (index == LOGPIXELSX || index == LOGPIXELSY)
        return win32::systemDpi();
    return 0;
}

HDC WINAPI GetDC(HWND hWnd)
{
    if (hWnd != nullptr && !IsWindow(hWnd))
        return nullptr;
    auto context = std::make_shared<DeviceContext>();
    context->window = hWnd;
    context->font = stockFont();
    if (const auto painting = paintingWindows().find(hWnd); painting != paintingWindows().end())
        context->graphics = painting->second;
    return static_cast<HDC>(UserObjects::instance().insert(context));
}

int WINAPI ReleaseDC(HWND, HDC hDC)
{
    if (!UserObjects::instance().lookupAs<DeviceContext>(hDC))
        return 0;
    return UserObjects::instance().remove(hDC) ? 1 : 0;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    if (lpPaint == nullptr || !IsWindow(hWnd))
        return nullptr;
    *lpPaint = {};
    lpPaint->hdc = GetDC(hWnd);
    GetClientRect(hWnd, &lpPaint->rcPaint);
    return lpPaint->hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (lpPaint == nullptr)
        return FALSE;
    ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon)
{
    juce::Graphics* g = graphicsOf(hDC);
    const juce::Image image = win32::imageOf(hIcon);
    if (g == nullptr || !image.isValid())
        return FALSE;
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);
    g->drawImage(image, X, Y, width, height, 0, 0, image.getWidth(), image.getHeight());
    return TRUE;
}
