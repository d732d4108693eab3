#include "DibImage.h"

#include "ByteReader.h"

#include <windows.h>

#include <climits>

namespace win32::detail {

namespace {

constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kRgbCompression = 0;
constexpr DWORD kBitFieldsCompression = 3;
constexpr int kMaxDimension = 16384;

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

std::uint32_t argb(std::uint8_t alpha, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(red) << 16 |
           static_cast<std::uint32_t>(green) << 8 | blue;
}

// The pixel as ARGB, with the alpha of a 32-bit image and 0 otherwise.
std::uint32_t pixelAt(const std::uint8_t* row, int x, const DibHeader& header,
                      const std::vector<std::uint32_t>& palette)
{
    switch (header.bitCount) {
    case 32: {
        const std::uint8_t* p = row + x * 4;
        return argb(p[3], p[2], p[1], p[0]);
    }
    case 24: {
        const std::uint8_t* p = row + x * 3;
        return argb(0, p[2], p[1], p[0]);
    }
    default: {
        const int bit = x * header.bitCount;
        const int shift = 8 - header.bitCount - bit % 8;
        const unsigned index = (row[bit / 8] >> shift) & ((1u << header.bitCount) - 1);
        return index < palette.size() ? palette[index] : 0;
    }
    }
}

} // namespace

DibImage decodeDib(const void* data, std::size_t size, bool isIcon)
{
    ByteReader reader(data, size);
    DibHeader header;
    if (data == nullptr || !readHeader(reader, isIcon, header))
        return {};
    std::vector<std::uint32_t> palette;
    for (std::size_t i = 0; i < header.colourCount; ++i) {
        const std::uint8_t blue = reader.u8(), green = reader.u8(), red = reader.u8();
        reader.skip(1);
        palette.push_back(argb(0, red, green, blue));
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
    DibImage image;
    if (header.bitCount == 32)
        for (std::size_t row = 0; row < rows && !image.hasAlpha; ++row)
            for (int x = 0; x < header.width && !image.hasAlpha; ++x)
                image.hasAlpha = colours[row * stride + static_cast<std::size_t>(x) * 4 + 3] != 0;
    const bool maskedIcon = isIcon && !image.hasAlpha;
    image.width = header.width;
    image.height = header.height;
    image.pixels.resize(static_cast<std::size_t>(header.width) * rows);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t sourceRow = header.topDown ? y : rows - 1 - y;
        const std::uint8_t* row = colours + sourceRow * stride;
        const std::uint8_t* maskRow = mask + sourceRow * maskStride;
        for (int x = 0; x < header.width; ++x) {
            std::uint32_t pixel = pixelAt(row, x, header, palette);
            if (!image.hasAlpha)
                pixel |= 0xFF000000u;
            if (maskedIcon && ((maskRow[x / 8] >> (7 - x % 8)) & 1) != 0)
                pixel = 0;
            image.pixels[y * static_cast<std::size_t>(header.width) + static_cast<std::size_t>(x)] = pixel;
        }
    }
    image.hasAlpha = image.hasAlpha || isIcon;
    return image;
}

} // namespace win32::detail
