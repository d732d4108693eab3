// Look of the headphone source selector buttons.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class SelectorLookAndFeel : public juce::LookAndFeel_V4
{
public:
    SelectorLookAndFeel();

    void drawToggleButton (juce::Graphics&, juce::ToggleButton&,
                           bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    juce::Image toggleOn, toggleOff, togglePressed;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SelectorLookAndFeel)
};
