// Look of the output selector's "Bypass" button: the wide key with its caption printed on it.
#pragma once

#include "ImageToggleLookAndFeel.h"

class BypassLookAndFeel : public ImageToggleLookAndFeel
{
public:
    BypassLookAndFeel();
};
