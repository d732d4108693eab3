#include "DeferredSendTimer.h"

#include <algorithm>
#include <cmath>

void DeferredSendTimer::schedule(int channelIndex, int audioChannel, int value)
{
    drop(channelIndex, audioChannel);
    pending.push_back({channelIndex, audioChannel, value});
    dueAtMs = juce::Time::getMillisecondCounterHiRes() + delayMilliseconds;
    startTimer(delayMilliseconds);
}

void DeferredSendTimer::sendNow(int channelIndex, int audioChannel, int value)
{
    drop(channelIndex, audioChannel);
    if (pending.empty())
        stopTimer();
    send(channelIndex, audioChannel, value);
}

void DeferredSendTimer::drop(int channelIndex, int audioChannel)
{
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [&](const Command& command) {
                                     return command.channelIndex == channelIndex &&
                                            command.audioChannel == audioChannel;
                                 }),
                  pending.end());
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
    const auto due = std::move(pending);
    pending.clear();
    for (const auto& command : due)
        send(command.channelIndex, command.audioChannel, command.value);
}
