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

// While one lives, the window's display contexts (GetDC, BeginPaint) draw
// into `g`: the window is painting (WM_PAINT). Message thread only.
class ScopedWindowPaint
{
public:
    ScopedWindowPaint(void* window, juce::Graphics& g);
    ~ScopedWindowPaint();
    ScopedWindowPaint(const ScopedWindowPaint&) = delete;
    ScopedWindowPaint& operator=(const ScopedWindowPaint&) = delete;

private:
    void* window;
    juce::Graphics* previous;
};

// What a display context draws into, or null when it only measures.
juce::Graphics* graphicsOf(void* dc);

} // namespace win32::detail
