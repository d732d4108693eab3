#include "DeferredSendTimer.h"

#include <algorithm>

void DeferredSendTimer::schedule(int channelIndex, int audioChannel, int value)
{
    drop(channelIndex, audioChannel);
    pending.push_back({channelIndex, audioChannel, value});
    startPause(delayMilliseconds);
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

void DeferredSendTimer::pauseEnded()
{
    const auto due = std::move(pending);
    pending.clear();
    for (const auto& command : due)
        send(command.channelIndex, command.audioChannel, command.value);
}
