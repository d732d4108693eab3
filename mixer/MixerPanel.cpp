#include "MixerPanel.h"

MixerPanel::MixerPanel(int pitch) : commands(std::make_unique<MixerCommands>()), stripWidth(pitch)
{
    theMixerCommands = commands.get();
}

MixerPanel::~MixerPanel()
{
    // The device object outlives the controls (members declared after it); once
    // the panel is going, nothing may reach it through the program-wide pointer.
    if (theMixerCommands == commands.get())
        theMixerCommands = nullptr;
}

void MixerPanel::actionListenerCallback(const juce::String& message)
{
    if (message == "AboutButton")
        showAboutBox();
}

void MixerPanel::showAboutBox()
{
    if (aboutBox.isVisible())
        return;
    addChildComponent(aboutBox);
    aboutBox.setSize(aboutBox.getImage().getWidth(), aboutBox.getImage().getHeight());
    aboutBox.setCentreRelative(0.5f, 0.385f);
    aboutBox.setVisible(true);
}
