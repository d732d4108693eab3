#include "ImageToggleLookAndFeel.h"

#include "Artwork.h"

ImageToggleLookAndFeel::ImageToggleLookAndFeel(const char* onFile, const char* offFile, const char* pressedFile,
                                               ToggleCaption captionStyle)
    : onImage(Artwork::get(onFile)), offImage(Artwork::get(offFile)),
      pressedImage(pressedFile != nullptr ? Artwork::get(pressedFile) : juce::Image()), caption(captionStyle)
{
}

void ImageToggleLookAndFeel::drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool, bool isButtonDown)
{
    drawImageToggle(g, button, onImage, offImage, pressedImage, isButtonDown, caption);
}
