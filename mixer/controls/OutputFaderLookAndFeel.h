// Look of the output level fader; its toggle images also skin the output
// selector's pair buttons.
#pragma once

#include "CapFaderLookAndFeel.h"

class OutputFaderLookAndFeel : public CapFaderLookAndFeel
{
public:
    OutputFaderLookAndFeel();

    void drawToggleButton(juce::Graphics&, juce::ToggleButton&, bool shouldDrawButtonAsHighlighted,
                          bool shouldDrawButtonAsDown) override;

private:
    juce::Image toggleOn, toggleOff, togglePressed;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OutputFaderLookAndFeel)
};
