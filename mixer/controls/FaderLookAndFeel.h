// Look of the channel strip faders.
#pragma once

#include "CapFaderLookAndFeel.h"

class FaderLookAndFeel : public CapFaderLookAndFeel
{
public:
    FaderLookAndFeel();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FaderLookAndFeel)
};
