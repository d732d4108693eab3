// The drawing contract between MixerSlider and the looks that skin it. The
// slider works out where its thumb goes; the look only paints.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class MixerSlider;

// The five colours a slider look works with, in the order the looks list them.
struct SliderColours
{
    juce::Colour background; // filled behind the track
    juce::Colour thumb;
    juce::Colour outline;
    juce::Colour highlight;
    juce::Colour text;
};

class MixerLookAndFeel : public juce::LookAndFeel_V4
{
public:
    // Keeps the framework's own slider drawing reachable next to ours.
    using juce::LookAndFeel_V4::drawLinearSlider;

    // Horizontal slider: x and width are the track, y is 0, height the
    // component height and sliderPos the thumb's x. Vertical slider: x and
    // width are the track in negated y, y is the thumb's y, height the
    // component width and sliderPos 0.
    virtual void drawLinearSlider(juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                  MixerSlider& slider) = 0;

    virtual SliderColours getSliderColours(const MixerSlider& slider) const = 0;
};
