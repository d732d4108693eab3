// Icons and bitmaps from resources.
#include "ByteReader.h"
#include "DibImage.h"
#include "ImageObjects.h"
#include "Modules.h"

#include <winuser.h>

#include <cstdlib>
#include <cstring>

using namespace win32::detail;

namespace {

constexpr int kIconSize = 32;
constexpr int kSmallIconSize = 16;

} // namespace

namespace win32::detail {

juce::Image imageOfDib(const void* data, std::size_t size, bool isIcon)
{
    const DibImage dib = decodeDib(data, size, isIcon);
    if (!dib.isValid())
        return {};
    juce::Image image(dib.hasAlpha ? juce::Image::ARGB : juce::Image::RGB, dib.width, dib.height, true);
    juce::Image::BitmapData pixels(image, juce::Image::BitmapData::writeOnly);
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x)
            pixels.setPixelColour(x, y, juce::Colour(dib.pixels[static_cast<std::size_t>(y * dib.width + x)]));
    return image;
}

juce::Image decodeIconImage(const void* data, std::size_t size)
{
    static const std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G'};
    if (data != nullptr && size >= 4 && std::memcmp(data, pngSignature, 4) == 0)
        return juce::PNGImageFormat::loadFrom(data, size);
    return imageOfDib(data, size, true);
}

} // namespace win32::detail

namespace {

// The member of a group icon nearest to `wanted` pixels, the deeper colour of two equally near.
WORD bestIconMember(const ResourceEntry& group, int wanted)
{
    ByteReader reader(group.data, group.size);
    const WORD reserved = reader.u16();
    const WORD type = reader.u16();
    const WORD count = reader.u16();
    if (!reader.ok() || reserved != 0 || type != 1)
        return 0;
    WORD best = 0;
    int bestDistance = 0, bestDepth = 0;
    for (WORD i = 0; i < count; ++i) {
        const int width = reader.u8();
        reader.skip(3); // height, colour count, reserved
        reader.skip(2); // planes
        const int depth = reader.u16();
        reader.skip(4); // bytes in resource
        const WORD id = reader.u16();
        if (!reader.ok())
            return 0;
        const int distance = std::abs((width == 0 ? 256 : width) - wanted);
        if (best == 0 || distance < bestDistance || (distance == bestDistance && depth > bestDepth)) {
            best = id;
            bestDistance = distance;
            bestDepth = depth;
        }
    }
    return best;
}

} // namespace

int WINAPI GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXICON:
    case SM_CYICON:
        return kIconSize;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return kSmallIconSize;
    default:
        return 0;
    }
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    const ResourceEntry* group = findResourceEntry(hInstance, lpIconName, RT_GROUP_ICON);
    if (group == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const WORD member = bestIconMember(*group, GetSystemMetrics(SM_CXICON));
    const ResourceEntry* icon = member == 0 ? nullptr : findResourceEntry(hInstance, MAKEINTRESOURCEA(member), RT_ICON);
    juce::Image image = icon == nullptr ? juce::Image() : decodeIconImage(icon->data, icon->size);
    if (!image.isValid()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HICON>(UserObjects::instance().insert(std::make_shared<IconObject>(image)));
}

BOOL WINAPI DestroyIcon(HICON hIcon)
{
    if (!UserObjects::instance().lookupAs<IconObject>(hIcon))
        return FALSE;
    return UserObjects::instance().remove(hIcon) ? TRUE : FALSE;
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName)
{
    const ResourceEntry* entry = findResourceEntry(hInstance, lpBitmapName, RT_BITMAP);
    juce::Image image = entry == nullptr ? juce::Image() : imageOfDib(entry->data, entry->size, false);
    if (!image.isValid()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HBITMAP>(UserObjects::instance().insert(std::make_shared<BitmapObject>(image)));
}
