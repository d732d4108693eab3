#include "ImageToggleDrawing.h"

namespace {
constexpr int captionMargin = 4;
constexpr int maxCaptionLines = 10;
} // namespace

const juce::Image& chooseToggleImage(const juce::Image& on, const juce::Image& off, const juce::Image& pressed,
                                     bool toggleOn, bool buttonDown)
{
    if (buttonDown && pressed.isValid())
        return pressed;
    return toggleOn ? on : off;
}

void drawImageToggle(juce::Graphics& g, juce::Button& button, const juce::Image& on, const juce::Image& off,
                     const juce::Image& pressed, bool buttonDown, ToggleCaption caption)
{
    const juce::Image& image = chooseToggleImage(on, off, pressed, button.getToggleState(), buttonDown);
    if (image.isValid()) {
        // The picture is always drawn at full opacity, whatever colour the caption will use.
        juce::Graphics::ScopedSaveState keepColour(g);
        g.setOpacity(1.0f);
        g.drawImageAt(image, 0, 0);
    }

    if (caption == ToggleCaption::fitted)
        g.drawFittedText(button.getButtonText(), 0, captionMargin, button.getWidth(),
                         button.getHeight() - 2 * captionMargin, juce::Justification::centred, maxCaptionLines);
}
