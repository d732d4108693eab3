// Icons and bitmaps loaded from resources, as JUCE images.
#pragma once

#include "UserObjects.h"

#include <juce_graphics/juce_graphics.h>

namespace win32::detail {

class BitmapObject : public UserObject
{
public:
    explicit BitmapObject(juce::Image image) : image(std::move(image)) {}
    const juce::Image image;
};

class IconObject : public UserObject
{
public:
    explicit IconObject(juce::Image image) : image(std::move(image)) {}
    const juce::Image image;
};

// A device-independent bitmap as resources keep it (a BITMAPINFOHEADER, the
// colour table, the rows bottom-up unless the height is negative): 24- and
// 32-bit and 1-, 4- and 8-bit palette images, uncompressed. An icon image has
// twice its height in the header and an AND mask after its colour rows, which
// makes masked pixels transparent when the colour rows carry no alpha.
// An invalid image when the data is anything else or lies outside `size`.
juce::Image decodeDib(const void* data, std::size_t size, bool isIcon);

// The image of an icon resource entry: a PNG or an icon DIB.
juce::Image decodeIconImage(const void* data, std::size_t size);

} // namespace win32::detail
