// Shared drawing of the level faders: an image cap whose top edge sits 19
// pixels above the thumb. The two fader looks differ only in their images.
#pragma once

#include "MixerLookAndFeel.h"

class CapFaderLookAndFeel : public MixerLookAndFeel
{
public:
    explicit CapFaderLookAndFeel(juce::Image capImage);

    using MixerLookAndFeel::drawLinearSlider;
    void drawLinearSlider(juce::Graphics&, int x, int y, int width, int height, float sliderPos, MixerSlider&) override;
    SliderColours getSliderColours(const MixerSlider&) const override;

    const juce::Image& getCapImage() const noexcept { return cap; }

    // Distance from the thumb up to the cap's top edge.
    static constexpr int capOffsetAboveThumb = 19;

private:
    juce::Image cap;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(CapFaderLookAndFeel)
};
