#include "MasterMuteLookAndFeel.h"

MasterMuteLookAndFeel::MasterMuteLookAndFeel()
    : ImageToggleLookAndFeel("master_mute_on.png", "master_mute_off.png", nullptr, ToggleCaption::none)
{
}
