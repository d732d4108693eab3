// Look of the "MasterMute" indicator: lit or dark, a press is not shown.
#pragma once

#include "ImageToggleLookAndFeel.h"

class MasterMuteLookAndFeel : public ImageToggleLookAndFeel
{
public:
    MasterMuteLookAndFeel();
};
