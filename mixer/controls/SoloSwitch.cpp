#include "SoloSwitch.h"

#include "SoloLookAndFeel.h"

SoloSwitch::SoloSwitch() : ImageSwitch("Solo", "solo_on.png", std::make_unique<SoloLookAndFeel>()) {}
