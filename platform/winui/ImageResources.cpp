// Icons and bitmaps from resources.
#include "ByteReader.h"
#include "ImageObjects.h"
#include "Modules.h"

#include <winuser.h>

#include <climits>
#include <cstdlib>
#include <cstring>

using namespace win32::detail;

namespace {

constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kRgbCompression = 0;
constexpr DWORD kBitFieldsCompression = 3;
constexpr int kMaxDimension = 16384;
constexpr int kIconSize = 32;
constexpr int kSmallIconSize = 16;
constexpr std::size_t kGroupIconEntrySize = 14;

struct DibHeader
{
    int width = 0;
    int height = 0; // of the image, without an icon's mask
    bool topDown = false;
    int bitCount = 0;
    DWORD compression = 0;
    std::size_t colourCount = 0;
};

std::size_t rowStride(int width, int bitCount)
{
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
}

bool readHeader(ByteReader& reader, bool isIcon, DibHeader& header)
{
    const DWORD headerSize = reader.u32();
    const auto width = static_cast<std::int32_t>(reader.u32());
    auto height = static_cast<std::int32_t>(reader.u32());
    const WORD planes = reader.u16();
    header.bitCount = reader.u16();
    header.compression = reader.u32();
    reader.skip(12); // image size, resolution
    const DWORD coloursUsed = reader.u32();
    if (!reader.ok() || headerSize < kInfoHeaderSize || planes != 1)
        return false;
    reader.seek(headerSize);
    if (height < 0) {
        if (isIcon || height == INT32_MIN)
            return false;
        header.topDown = true;
        height = -height;
    }
    if (isIcon)
        height /= 2;
    header.width = width;
    header.height = height;
    if (width <= 0 || width > kMaxDimension || height <= 0 || height > kMaxDimension)
        return false;
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
        if (header.compression != kRgbCompression || coloursUsed > (1u << header.bitCount))
            return false;
        header.colourCount = coloursUsed != 0 ? coloursUsed : (std::size_t{1} << header.bitCount);
        return reader.ok();
    case 24:
        return header.compression == kRgbCompression && reader.ok();
    case 32:
        // Bit fields are accepted only as the usual BGRA masks that follow the header.
        if (header.compression == kBitFieldsCompression && headerSize == kInfoHeaderSize)
            reader.skip(12);
        return (header.compression == kRgbCompression || header.compression == kBitFieldsCompression) && reader.ok();
    default:
        return false;
    }
}

juce::Colour pixelAt(const std::uint8_t* row, int x, const DibHeader& header, const std::vector<juce::Colour>& palette)
{
    switch (header.bitCount) {
    case 32: {
        const std::uint8_t* p = row + x * 4;
        return juce::Colour(p[2], p[1], p[0], p[3]);
    }
    case 24: {
        const std::uint8_t* p = row + x * 3;
        return juce::Colour(p[2], p[1], p[0]);
    }
    default: {
        const int bit = x * header.bitCount;
        const int shift = 8 - header.bitCount - bit % 8;
        const unsigned index = (row[bit / 8] >> shift) & ((1u << header.bitCount) - 1);
        return index < palette.size() ? palette[index] : juce::Colours::black;
    }
    }
}

} // namespace

namespace win32::detail {

juce::Image decodeDib(const void* data, std::size_t size, bool isIcon)
{
    ByteReader reader(data, size);
    DibHeader header;
    if (data == nullptr || !readHeader(reader, isIcon, header))
        return {};
    std::vector<juce::Colour> palette;
    for (std::size_t i = 0; i < header.colourCount; ++i) {
        const std::uint8_t blue = reader.u8(), green = reader.u8(), red = reader.u8();
        reader.skip(1);
        palette.emplace_back(red, green, blue);
    }
    const std::size_t stride = rowStride(header.width, header.bitCount);
    const std::size_t maskStride = rowStride(header.width, 1);
    const std::size_t rows = static_cast<std::size_t>(header.height);
    const std::size_t needed = stride * rows + (isIcon ? maskStride * rows : 0);
    if (!reader.ok() || needed > reader.remaining())
        return {};
    const std::uint8_t* colours = reader.current();
    const std::uint8_t* mask = colours + stride * rows;

    // Icons whose colour rows carry no alpha take their transparency from the mask.
    bool hasAlpha = false;
    if (header.bitCount == 32)
        for (std::size_t row = 0; row < rows && !hasAlpha; ++row)
            for (int x = 0; x < header.width && !hasAlpha; ++x)
                hasAlpha = colours[row * stride + static_cast<std::size_t>(x) * 4 + 3] != 0;
    const bool transparent = isIcon || hasAlpha;

    juce::Image image(transparent ? juce::Image::ARGB : juce::Image::RGB, header.width, header.height, true);
    juce::Image::BitmapData pixels(image, juce::Image::BitmapData::writeOnly);
    for (int y = 0; y < header.height; ++y) {
        const std::size_t sourceRow =
            header.topDown ? static_cast<std::size_t>(y) : rows - 1 - static_cast<std::size_t>(y);
        const std::uint8_t* row = colours + sourceRow * stride;
        const std::uint8_t* maskRow = mask + sourceRow * maskStride;
        for (int x = 0; x < header.width; ++x) {
            juce::Colour colour = pixelAt(row, x, header, palette);
            if (!hasAlpha)
                colour = colour.withAlpha(static_cast<std::uint8_t>(0xFF));
            if (isIcon && !hasAlpha && ((maskRow[x / 8] >> (7 - x % 8)) & 1) != 0)
                colour = juce::Colours::transparentBlack;
            pixels.setPixelColour(x, y, colour);
        }
    }
    return image;
}

juce::Image decodeIconImage(const void* data, std::size_t size)
{
    static const std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G'};
    if (data != nullptr && size >= 4 && std::memcmp(data, pngSignature, 4) == 0)
        return juce::PNGImageFormat::loadFrom(data, size);
    return decodeDib(data, size, true);
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
    static_assert(kGroupIconEntrySize == 14, "group icon entry layout");
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
    juce::Image image = entry == nullptr ? juce::Image() : decodeDib(entry->data, entry->size, false);
    if (!image.isValid()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HBITMAP>(UserObjects::instance().insert(std::make_shared<BitmapObject>(image)));
}
