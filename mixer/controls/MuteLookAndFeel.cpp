#include "MuteLookAndFeel.h"

MuteLookAndFeel::MuteLookAndFeel()
    : ImageToggleLookAndFeel("mute_on.png", "mute_off.png", "mute_pressed.png", ToggleCaption::none)
{
}
