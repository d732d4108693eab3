#include "CapFaderLookAndFeel.h"

CapFaderLookAndFeel::CapFaderLookAndFeel(juce::Image capImage) : cap(std::move(capImage)) {}

void CapFaderLookAndFeel::drawLinearSlider(juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                           MixerSlider& slider)
{
    g.setColour(getSliderColours(slider).background);
    g.fillRect(x, y, width, height);

    // The fill colour's alpha would otherwise carry over to the image.
    g.setOpacity(1.0f);
    g.drawImageAt(cap, static_cast<int>(sliderPos), y - capOffsetAboveThumb);
}

SliderColours CapFaderLookAndFeel::getSliderColours(const MixerSlider&) const
{
    return {juce::Colour(0x00000000), juce::Colour(0xffffffff), juce::Colour(0xff000000), juce::Colour(0xff90ee90),
            juce::Colour(0xffffffff)};
}
