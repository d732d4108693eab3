// A font made by CreateFontW: the face it maps to, its size in pixels, and the
// text metrics Windows would give it, measured with JUCE's FreeType rendering.
#pragma once

#include "TrueTypeMetrics.h"
#include "UserObjects.h"

#include <wingdi.h>

#include <juce_graphics/juce_graphics.h>

#include <array>
#include <string>

namespace win32::detail {

// A typeface with the metrics the text renderer needs from its file. JUCE
// sizes a font by its ascender-to-descender height; `juceHeightPerEm`
// converts a character height (the em) into that.
struct FontFace
{
    juce::Typeface::Ptr typeface;
    TrueTypeMetrics metrics;
    double juceHeightPerEm = 1.0;
};

// The face "MS Shell Dlg", "Tahoma" and every other face name map to: the
// Tahoma-metric face of fonts-wine, its bold cut for weights from 600 on.
// Without that package, JUCE's default sans-serif face with estimated metrics.
const FontFace& mappedFace(const std::u16string& faceName, int weight);

class FontObject : public UserObject
{
public:
    // `height` as CreateFontW takes it.
    FontObject(int height, int weight, bool italic, const std::u16string& faceName);

    const juce::Font& font() const { return juceFont; }
    int emPixels() const { return em; }
    const TEXTMETRICA& textMetrics() const { return metrics; }
    // The advance of one Latin-1 character, rounded to whole pixels.
    int advance(unsigned char character) const;

private:
    const FontFace& face;
    int em = 0;
    juce::Font juceFont;
    TEXTMETRICA metrics = {};
    mutable std::array<int, 256> advances;
};

} // namespace win32::detail
