#include "MuteSwitch.h"

#include "MuteLookAndFeel.h"

#include <device/MixerCommands.h>

MuteSwitch::MuteSwitch() : ImageSwitch("Mute", "mute_on.png", std::make_unique<MuteLookAndFeel>())
{
    button.addActionListener(this);
}

MuteSwitch::~MuteSwitch()
{
    button.removeActionListener(this);
}

void MuteSwitch::actionListenerCallback(const juce::String&)
{
    if (theMixerCommands != nullptr)
        theMixerCommands->setMute(channelIndex, button.getToggleState());
}
