#include "MasterSoloLookAndFeel.h"

MasterSoloLookAndFeel::MasterSoloLookAndFeel()
    : ImageToggleLookAndFeel("master_solo_on.png", "master_solo_off.png", nullptr, ToggleCaption::none)
{
}
