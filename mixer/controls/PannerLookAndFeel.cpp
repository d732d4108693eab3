#include "PannerLookAndFeel.h"

#include "Artwork.h"
#include "ImageToggleDrawing.h"
#include "ProportionalRounding.h"

namespace {

const juce::Colour trackGrey(0xff808080);
constexpr float trackOpacity = 0.5f;
constexpr float thumbWidth = 5.0f;
constexpr float thumbCornerSize = 4.7f;
constexpr float outlineThickness = 0.3f;
constexpr float outlineOpacity = 0.7f;

} // namespace

PannerLookAndFeel::PannerLookAndFeel()
    : toggleOn(Artwork::get("panner_toggle_on.png")), toggleOff(Artwork::get("toggle_wide_off.png")),
      togglePressed(Artwork::get("toggle_wide_pressed.png"))
{
}

juce::Rectangle<int> PannerLookAndFeel::trackArea(int x, int y, int width, int height)
{
    return {x, y + roundHalfToEven(0.6 * height), width, roundHalfToEven(0.2 * height)};
}

juce::Rectangle<float> PannerLookAndFeel::thumbArea(int y, int height, float sliderPos)
{
    return {sliderPos - 3.0f, static_cast<float>(y + 2), thumbWidth, static_cast<float>(height - 7)};
}

void PannerLookAndFeel::drawLinearSlider(juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                         MixerSlider& slider)
{
    const auto colours = getSliderColours(slider);

    g.setColour(colours.background);
    g.fillRect(x, y, width, height);

    g.setColour(trackGrey.withMultipliedAlpha(trackOpacity));
    g.fillRect(trackArea(x, y, width, height));

    juce::Path thumb;
    thumb.addRoundedRectangle(thumbArea(y, height, sliderPos), thumbCornerSize);

    g.setColour(colours.thumb);
    g.fillPath(thumb);

    g.setColour(juce::Colours::black.withMultipliedAlpha(outlineOpacity));
    g.strokePath(thumb, juce::PathStrokeType(outlineThickness));
}

SliderColours PannerLookAndFeel::getSliderColours(const MixerSlider&) const
{
    return {juce::Colour(0x00000000), juce::Colour(0xff90ee90), juce::Colour(0xff000000), juce::Colour(0xff90ee90),
            juce::Colour(0xffffffff)};
}

void PannerLookAndFeel::drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool,
                                         bool shouldDrawButtonAsDown)
{
    drawImageToggle(g, button, toggleOn, toggleOff, togglePressed, shouldDrawButtonAsDown, ToggleCaption::fitted);
}
