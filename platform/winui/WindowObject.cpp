#include "WindowObject.h"

#include "FontObject.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace win32::detail {

namespace {

struct WindowTable
{
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, WindowObject*> windows;
    std::uintptr_t next = 0x20004;
};

WindowTable& table()
{
    static WindowTable* windows = new WindowTable; // posted messages may ask after static destruction
    return *windows;
}

HWND registerWindow(WindowObject* window)
{
    std::lock_guard<std::mutex> guard(table().mutex);
    const std::uintptr_t handle = table().next;
    table().next += 4;
    table().windows.emplace(handle, window);
    return reinterpret_cast<HWND>(handle);
}

} // namespace

WindowObject::WindowObject(HWND parent, int controlId, DWORD style, DWORD exStyle)
    : window(registerWindow(this)), parentWindow(parent), id(controlId), windowStyle(style), extendedStyle(exStyle)
{
}

WindowObject::~WindowObject()
{
    detach();
}

void WindowObject::detach()
{
    std::lock_guard<std::mutex> guard(table().mutex);
    const auto found = table().windows.find(reinterpret_cast<std::uintptr_t>(window));
    if (found != table().windows.end() && found->second == this)
        table().windows.erase(found);
}

LRESULT WindowObject::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETFONT:
        if (auto object = UserObjects::instance().lookupAs<FontObject>(reinterpret_cast<void*>(wParam))) {
            font = reinterpret_cast<HFONT>(wParam);
            shownFont = object->font();
            fontChanged();
            if (LOWORD(lParam) != 0)
                component().repaint();
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font);
    default:
        return 0;
    }
}

void WindowObject::move(juce::Rectangle<int> bounds)
{
    component().setBounds(bounds);
}

juce::Rectangle<int> WindowObject::screenBounds()
{
    return component().getScreenBounds();
}

void WindowObject::notifyParent(WORD code)
{
    SendMessageA(parentWindow, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(window));
}

WindowObject* windowOf(HWND handle)
{
    std::lock_guard<std::mutex> guard(table().mutex);
    const auto found = table().windows.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == table().windows.end() ? nullptr : found->second;
}

bool isLiveWindow(HWND handle)
{
    return windowOf(handle) != nullptr;
}

int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace win32::detail
