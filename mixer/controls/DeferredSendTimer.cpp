#include "DeferredSendTimer.h"

void DeferredSendTimer::schedule(int newChannelIndex, int newAudioChannel, int newValue)
{
    channelIndex = newChannelIndex;
    audioChannel = newAudioChannel;
    value = newValue;
    startTimer(delayMilliseconds); // restarting a running timer begins its countdown anew
}

void DeferredSendTimer::timerCallback()
{
    stopTimer();
    send(channelIndex, audioChannel, value);
}
