// Holds back level or balance commands until the control has been still for
// 10 ms, so a drag sends one command per pause instead of one per mouse event.
// A strip may drive several targets (a fader and the pan levels of the same
// function block) through one sender: each target keeps its own latest value,
// so a change of one never swallows the last change of another.
#pragma once

#include "PauseTimer.h"

#include <vector>

class DeferredSendTimer : public PauseTimer
{
public:
    static constexpr int delayMilliseconds = 10;

    // Makes `value` the pending value of the target (channelIndex,
    // audioChannel), replacing an older one, and starts the 10 ms countdown
    // again. When it runs out, every pending target is sent once, in the
    // order of their latest schedule.
    void schedule(int channelIndex, int audioChannel, int value);

    // Sends to the target at once. A value still pending for it is older than
    // this one and is dropped, so it cannot arrive after it.
    void sendNow(int channelIndex, int audioChannel, int value);

    bool hasPending() const { return !pending.empty(); }

protected:
    virtual void send(int channelIndex, int audioChannel, int value) = 0;

private:
    struct Command
    {
        int channelIndex;
        int audioChannel;
        int value;
    };

    void pauseEnded() override;
    void drop(int channelIndex, int audioChannel);

    std::vector<Command> pending;
};
