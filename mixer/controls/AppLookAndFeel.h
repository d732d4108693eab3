// The program's default look: JUCE's classic drawing, whose title bars take the
// window's own colour, except that windows
// get the skin's image close button.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class AppLookAndFeel : public juce::LookAndFeel_V2
{
public:
    AppLookAndFeel();

    // The close button is an ImageButton named "close"; other window buttons are JUCE's.
    juce::Button* createDocumentWindowButton(int buttonType) override;

private:
    juce::Image closeNormal;
    juce::Image closeOver;
    juce::Image closeDown;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(AppLookAndFeel)
};
