#include "MixerWindow.h"

#include <Artwork.h>

MixerWindow::MixerWindow(const juce::String& title)
    : juce::DialogWindow(title, backgroundColour(), false), minimiseNormal(Artwork::get("minimise_normal.png")),
      minimiseOver(Artwork::get("minimise_over.png")), minimiseDown(Artwork::get("minimise_down.png"))
{
    background = new MixerBackground();
    setVisible(true);
    background->setBufferedToImage(true);
    setContentOwned(background, false);

    panel = std::make_unique<MixerPanel>(background->getStripWidth());
    Component::addAndMakeVisible(*panel);
    panel->setBounds(0, 30, 641, 450);

    Component::addAndMakeVisible(minButton);
    minButton.setImages(true, false, true, minimiseNormal, 1.0f, juce::Colours::transparentBlack, minimiseOver, 1.0f,
                        juce::Colours::transparentBlack, minimiseDown, 1.0f, juce::Colours::transparentBlack, 0.0f);
    minButton.setTopLeftPosition(584, 3);
    minButton.onClick = [this] { actionListenerCallback(minButton.getName()); };
}

MixerWindow::~MixerWindow()
{
    minimiseNormal = {};
    minimiseOver = {};
    minimiseDown = {};
    if (auto* app = juce::JUCEApplicationBase::getInstance())
        app->quit();
    // The panel goes next, with the members; it saves the mixer state as it goes.
}

void MixerWindow::actionListenerCallback(const juce::String& message)
{
    if (message == minButton.getName())
        setMinimised(!isMinimised());
}

void MixerWindow::closeButtonPressed()
{
    delete this;
}
