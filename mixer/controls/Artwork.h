// Embedded artwork of the mixer window. Every image is decoded once through
// juce::ImageCache and shared by all controls that use it.
#pragma once

#include <juce_graphics/juce_graphics.h>

namespace Artwork {

// The embedded PNG `fileName` (for example "fader_cap.png"); an invalid image
// when no such file is embedded.
juce::Image get(const char* fileName);

} // namespace Artwork
