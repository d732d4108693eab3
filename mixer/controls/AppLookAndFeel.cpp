#include "AppLookAndFeel.h"

#include "Artwork.h"

AppLookAndFeel::AppLookAndFeel()
    : closeNormal(Artwork::get("close_normal.png")), closeOver(Artwork::get("close_over.png")),
      closeDown(Artwork::get("close_down.png"))
{
}

juce::Button* AppLookAndFeel::createDocumentWindowButton(int buttonType)
{
    if (buttonType != juce::DocumentWindow::closeButton)
        return juce::LookAndFeel_V2::createDocumentWindowButton(buttonType);

    auto* close = new juce::ImageButton("close");
    close->setImages(true, false, true, closeNormal, 1.0f, juce::Colours::transparentBlack, closeOver, 1.0f,
                     juce::Colours::transparentBlack, closeDown, 1.0f, juce::Colours::transparentBlack, 0.0f);
    return close;
}
