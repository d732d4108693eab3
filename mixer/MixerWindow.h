// The mixer's one window: the strip panels as its content, the mixer panel
// over them, and the skin's own minimise button in the title bar.
#pragma once

#include "MixerPanel.h"

#include <MixerBackground.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class MixerWindow : public juce::DialogWindow, public juce::ActionListener
{
public:
    // The panel keeps the state of the program at `programFile`.
    explicit MixerWindow(const juce::String& title, const juce::File& programFile = MixerPanel::runningProgram());
    ~MixerWindow() override;

    void actionListenerCallback(const juce::String& message) override;
    void closeButtonPressed() override;
    void resized() override;
    void moved() override;
    void paint(juce::Graphics& g) override;

    static constexpr int fixedWidth = 641;
    static constexpr int fixedHeight = 448;
    // Top edge of the skin's 25 x 25 title bar buttons, minimise and close alike.
    static constexpr int titleButtonTop = 3;

    MixerPanel& getPanel() { return *panel; }
    juce::ImageButton& getMinimiseButton() { return minButton; }

    static juce::Colour backgroundColour() { return juce::Colour(0, 90, 245); }

private:
    void placeCloseButton();
    void holdFixedSize();

    juce::Image minimiseNormal;
    juce::Image minimiseOver;
    juce::Image minimiseDown;
    MixerBackground* background{nullptr}; // owned as the window's content
    juce::uint32 lastPaintMs{0};
    std::unique_ptr<MixerPanel> panel;
    juce::ImageButton minButton{"minButton"};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MixerWindow)
};
