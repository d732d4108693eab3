// Look of the "Link" button of a strip pair: pictures only, pressed shown while held.
#pragma once

#include "ImageToggleLookAndFeel.h"

class LinkLookAndFeel : public ImageToggleLookAndFeel
{
public:
    LinkLookAndFeel();
};
