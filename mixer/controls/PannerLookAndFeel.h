// Look of the pan controls: a thin rounded thumb over a grey track. Its toggle
// images also skin the playback route buttons.
#pragma once

#include "MixerLookAndFeel.h"

class PannerLookAndFeel : public MixerLookAndFeel
{
public:
    PannerLookAndFeel();

    using MixerLookAndFeel::drawLinearSlider;
    void drawLinearSlider(juce::Graphics&, int x, int y, int width, int height, float sliderPos, MixerSlider&) override;
    SliderColours getSliderColours(const MixerSlider&) const override;

    void drawToggleButton(juce::Graphics&, juce::ToggleButton&, bool shouldDrawButtonAsHighlighted,
                          bool shouldDrawButtonAsDown) override;

    // Track band and thumb of a pan slider, as drawn for the given arguments.
    static juce::Rectangle<int> trackArea(int x, int y, int width, int height);
    static juce::Rectangle<float> thumbArea(int y, int height, float sliderPos);

private:
    juce::Image toggleOn, toggleOff, togglePressed;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PannerLookAndFeel)
};
