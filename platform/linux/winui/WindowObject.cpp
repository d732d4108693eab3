#include "WindowObject.h"

#include "FontObject.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include <unistd.h>

namespace win32::detail {

namespace {

// Top-level handles: bit 31, the process id in bits 8 to 30 and a slot in
// bits 2 to 7. A handle fits the 32 bits a driver request or a shared word
// carries. Slots go round, so a handle is reused only after 62 others.
constexpr std::uintptr_t kTopLevelBit = 0x80000000u;
constexpr unsigned kPidShift = 8;
constexpr std::uintptr_t kLargestPid = (kTopLevelBit >> kPidShift) - 1;
constexpr std::uintptr_t kSlots = 64;

struct WindowTable
{
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, WindowObject*> windows;
    std::vector<std::uintptr_t> topLevelOrder;
    std::uintptr_t next = 0x20004;
    std::uintptr_t nextSlot = 1;
};

WindowTable& table()
{
    static WindowTable* windows = new WindowTable; // posted messages may ask after static destruction
    return *windows;
}

// A free top-level handle of this process, or 0 when every slot is taken.
std::uintptr_t freeTopLevelHandle(WindowTable& windows)
{
    const auto pid = static_cast<std::uintptr_t>(::getpid());
    if (pid > kLargestPid)
        return 0;
    for (std::uintptr_t tried = 1; tried < kSlots; ++tried) {
        const std::uintptr_t slot = windows.nextSlot;
        windows.nextSlot = slot + 1 == kSlots ? 1 : slot + 1;
        const std::uintptr_t handle = kTopLevelBit | (pid << kPidShift) | (slot << 2);
        if (windows.windows.count(handle) == 0)
            return handle;
    }
    return 0;
}

HWND registerWindow(WindowObject* window, bool topLevel)
{
    std::lock_guard<std::mutex> guard(table().mutex);
    std::uintptr_t handle = topLevel ? freeTopLevelHandle(table()) : 0;
    if (handle != 0) {
        table().topLevelOrder.push_back(handle);
    } else {
        handle = table().next;
        table().next += 4;
    }
    table().windows.emplace(handle, window);
    return reinterpret_cast<HWND>(handle);
}

} // namespace

WindowObject::WindowObject(HWND parent, int controlId, DWORD style, DWORD exStyle, bool topLevel)
    : window(registerWindow(this, topLevel)), parentWindow(parent), id(controlId), windowStyle(style),
      extendedStyle(exStyle)
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
    if (found != table().windows.end() && found->second == this) {
        const std::uintptr_t handle = found->first;
        table().windows.erase(found);
        auto& order = table().topLevelOrder;
        order.erase(std::remove(order.begin(), order.end(), handle), order.end());
    }
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

std::vector<HWND> topLevelWindows()
{
    std::lock_guard<std::mutex> guard(table().mutex);
    std::vector<HWND> handles;
    for (const std::uintptr_t handle : table().topLevelOrder)
        handles.push_back(reinterpret_cast<HWND>(handle));
    return handles;
}

pid_t processOf(HWND handle)
{
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if ((value & kTopLevelBit) == 0 || value > 0xFFFFFFFFu)
        return 0;
    return static_cast<pid_t>((value & ~kTopLevelBit) >> kPidShift);
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
