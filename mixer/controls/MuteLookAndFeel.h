// Look of a channel mute switch: pictures only, pressed shown while held.
#pragma once

#include "ImageToggleLookAndFeel.h"

class MuteLookAndFeel : public ImageToggleLookAndFeel
{
public:
    MuteLookAndFeel();
};
