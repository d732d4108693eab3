// Look of the "MasterSolo" indicator: lit or dark, a press is not shown.
#pragma once

#include "ImageToggleLookAndFeel.h"

class MasterSoloLookAndFeel : public ImageToggleLookAndFeel
{
public:
    MasterSoloLookAndFeel();
};
