// Holds back a level or balance command until the control has been still for
// 10 ms, so a drag sends one command per pause instead of one per mouse event.
#pragma once

#include <juce_events/juce_events.h>

class DeferredSendTimer : public juce::Timer
{
public:
    static constexpr int delayMilliseconds = 10;

    // Replaces any pending values and starts the 10 ms countdown again.
    void schedule(int channelIndex, int audioChannel, int value);

    void timerCallback() override;

protected:
    // Sends the command once with the last scheduled values.
    virtual void send(int channelIndex, int audioChannel, int value) = 0;

private:
    int channelIndex{0};
    int audioChannel{0};
    int value{0};
    double dueAtMs{0.0};
};
