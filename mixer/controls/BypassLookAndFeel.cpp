#include "BypassLookAndFeel.h"

BypassLookAndFeel::BypassLookAndFeel()
    : ImageToggleLookAndFeel("bypass_on.png", "toggle_wide_off.png", "toggle_wide_pressed.png", ToggleCaption::fitted)
{
}
