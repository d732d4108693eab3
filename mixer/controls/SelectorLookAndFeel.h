// Look of the headphone source selector buttons: tall keys with the source
// name printed on them.
#pragma once

#include "ImageToggleLookAndFeel.h"

class SelectorLookAndFeel : public ImageToggleLookAndFeel
{
public:
    SelectorLookAndFeel();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SelectorLookAndFeel)
};
