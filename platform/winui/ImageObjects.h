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

// A bitmap or icon DIB (see DibImage.h) as a JUCE image; invalid when it cannot be read.
juce::Image imageOfDib(const void* data, std::size_t size, bool isIcon);

// The image of an icon resource entry: a PNG or an icon DIB.
juce::Image decodeIconImage(const void* data, std::size_t size);

} // namespace win32::detail
