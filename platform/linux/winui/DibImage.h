// A device-independent bitmap as resources keep it (a BITMAPINFOHEADER, the
// colour table, the rows bottom-up unless the height is negative): 24- and
// 32-bit and 1-, 4- and 8-bit palette images, uncompressed. An icon image has
// twice its height in the header and an AND mask after its colour rows, which
// makes masked pixels transparent when the colour rows carry no alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace win32::detail {

struct DibImage
{
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::vector<std::uint32_t> pixels; // ARGB, top row first

    bool isValid() const { return width > 0 && height > 0; }
};

// An empty image when the data is anything else or lies outside `size`.
DibImage decodeDib(const void* data, std::size_t size, bool isIcon);

} // namespace win32::detail
