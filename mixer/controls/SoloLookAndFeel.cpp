#include "SoloLookAndFeel.h"

SoloLookAndFeel::SoloLookAndFeel()
    : ImageToggleLookAndFeel("solo_on.png", "solo_off.png", "solo_pressed.png", ToggleCaption::none)
{
}
