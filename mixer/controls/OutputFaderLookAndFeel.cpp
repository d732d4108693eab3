#include "OutputFaderLookAndFeel.h"

#include "Artwork.h"
#include "ImageToggleDrawing.h"

OutputFaderLookAndFeel::OutputFaderLookAndFeel()
    : CapFaderLookAndFeel(Artwork::get("output_fader_cap.png")), toggleOn(Artwork::get("toggle_wide_on.png")),
      toggleOff(Artwork::get("toggle_wide_off.png")), togglePressed(Artwork::get("toggle_wide_pressed.png"))
{
}

void OutputFaderLookAndFeel::drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool,
                                              bool shouldDrawButtonAsDown)
{
    drawImageToggle(g, button, toggleOn, toggleOff, togglePressed, shouldDrawButtonAsDown, ToggleCaption::fitted);
}
