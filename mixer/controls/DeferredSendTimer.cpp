#include "DeferredSendTimer.h"

#include <cmath>

void DeferredSendTimer::schedule(int newChannelIndex, int newAudioChannel, int newValue)
{
    channelIndex = newChannelIndex;
    audioChannel = newAudioChannel;
    value = newValue;
    dueAtMs = juce::Time::getMillisecondCounterHiRes() + delayMilliseconds;
    startTimer(delayMilliseconds);
}

void DeferredSendTimer::timerCallback()
{
    // JUCE's timer thread counts a restarted countdown from its own last tick,
    // so it can fire a few milliseconds early; wait out the rest of the pause.
    const double remaining = dueAtMs - juce::Time::getMillisecondCounterHiRes();
    if (remaining > 0.0) {
        startTimer(juce::jmax(1, static_cast<int>(std::ceil(remaining))));
        return;
    }
    stopTimer();
    send(channelIndex, audioChannel, value);
}
