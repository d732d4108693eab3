// The solo switch of one channel strip. It sends nothing itself: the mixer
// panel listens to its button and turns solo into mute states.
#pragma once

#include "ImageSwitch.h"

class SoloSwitch : public ImageSwitch
{
public:
    SoloSwitch();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SoloSwitch)
};
