#include "LinkLookAndFeel.h"

LinkLookAndFeel::LinkLookAndFeel()
    : ImageToggleLookAndFeel("link_on.png", "link_off.png", "link_pressed.png", ToggleCaption::none)
{
}
