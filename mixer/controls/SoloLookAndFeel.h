// Look of a channel solo switch: pictures only, pressed shown while held.
#pragma once

#include "ImageToggleLookAndFeel.h"

class SoloLookAndFeel : public ImageToggleLookAndFeel
{
public:
    SoloLookAndFeel();
};
