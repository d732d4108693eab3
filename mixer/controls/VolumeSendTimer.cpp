#include "VolumeSendTimer.h"

#include <device/MixerCommands.h>

void VolumeSendTimer::send(int channelIndex, int audioChannel, int value)
{
    // Before the panel has published the command object there is no device to tell.
    if (theMixerCommands != nullptr)
        theMixerCommands->setVolume(channelIndex, audioChannel, value);
}
