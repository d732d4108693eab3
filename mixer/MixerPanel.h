// The component that holds the mixer's controls. It opens the device first of
// all, by creating the program's one MixerCommands object and publishing it.
#pragma once

#include "AboutBox.h"

#include <device/MixerCommands.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class MixerPanel : public juce::Component, public juce::ActionListener
{
public:
    explicit MixerPanel(int stripWidth);
    ~MixerPanel() override;

    void actionListenerCallback(const juce::String& message) override;

    // Shows the About box centred over the panel, unless it is already showing.
    void showAboutBox();
    AboutBox& getAboutBox() { return aboutBox; }

    int getStripWidth() const { return stripWidth; }

private:
    std::unique_ptr<MixerCommands> commands;
    int stripWidth;
    AboutBox aboutBox;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MixerPanel)
};
