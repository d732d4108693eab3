// Base of the looks that draw a toggle button entirely from three pictures
// (on, off, pressed). The pictures come from the shared artwork, so every look
// of a kind holds the same decoded images.
#pragma once

#include "ImageToggleDrawing.h"

#include <juce_gui_basics/juce_gui_basics.h>

class ImageToggleLookAndFeel : public juce::LookAndFeel_V4
{
public:
    // `pressedFile` may be null for a two-state look.
    ImageToggleLookAndFeel(const char* onFile, const char* offFile, const char* pressedFile, ToggleCaption caption);

    void drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool isMouseOverButton,
                          bool isButtonDown) override;

    const juce::Image& getOnImage() const { return onImage; }
    const juce::Image& getOffImage() const { return offImage; }
    const juce::Image& getPressedImage() const { return pressedImage; }

private:
    juce::Image onImage;
    juce::Image offImage;
    juce::Image pressedImage;
    ToggleCaption caption;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ImageToggleLookAndFeel)
};
