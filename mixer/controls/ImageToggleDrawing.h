// The one drawing of the mixer's image toggle buttons: the picture of the
// button's state at its natural size, optionally with the button's caption
// printed over it. Every image look of the mixer window draws through here.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

enum class ToggleCaption {
    none,  // images only; the picture carries its own lettering
    fitted // the button text, centred, inside the button less 4 pixels top and bottom
};

// Draws `pressed` while the button is held down, otherwise `on` or `off` by the
// toggle state. Pass an invalid `pressed` image for a two-state button, which
// keeps showing on or off while it is held. The caption uses the context's
// current colour and font, at most 10 lines.
void drawImageToggle(juce::Graphics& g, juce::Button& button, const juce::Image& on, const juce::Image& off,
                     const juce::Image& pressed, bool buttonDown, ToggleCaption caption);

// The image drawImageToggle shows for the given state.
const juce::Image& chooseToggleImage(const juce::Image& on, const juce::Image& off, const juce::Image& pressed,
                                     bool toggleOn, bool buttonDown);
