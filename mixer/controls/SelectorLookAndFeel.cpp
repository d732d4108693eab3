#include "SelectorLookAndFeel.h"

#include "Artwork.h"
#include "ImageToggleDrawing.h"

SelectorLookAndFeel::SelectorLookAndFeel()
    : toggleOn (Artwork::get ("selector_on.png")),
      toggleOff (Artwork::get ("selector_off.png")),
      togglePressed (Artwork::get ("selector_pressed.png"))
{
}

void SelectorLookAndFeel::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                                            bool, bool shouldDrawButtonAsDown)
{
    drawImageToggle (g, button, toggleOn, toggleOff, togglePressed, shouldDrawButtonAsDown, ToggleCaption::fitted);
}
