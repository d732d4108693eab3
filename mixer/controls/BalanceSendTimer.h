// Deferred setBalance of one channel: see DeferredSendTimer.
#pragma once

#include "DeferredSendTimer.h"

class BalanceSendTimer : public DeferredSendTimer
{
protected:
    void send(int channelIndex, int audioChannel, int value) override;
};
