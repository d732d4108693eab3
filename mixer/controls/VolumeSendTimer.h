// Deferred setVolume of one channel: see DeferredSendTimer.
#pragma once

#include "DeferredSendTimer.h"

class VolumeSendTimer : public DeferredSendTimer
{
protected:
    void send(int channelIndex, int audioChannel, int value) override;
};
