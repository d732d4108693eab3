// A one-shot timer that ends a pause: it fires once, no earlier than the given
// time after it was last started. JUCE's timer thread counts a restarted
// countdown from its own last tick, so a plain Timer can fire a few
// milliseconds early; this one waits out the rest.
#pragma once

#include <juce_events/juce_events.h>

class PauseTimer : public juce::Timer
{
public:
    // Starts the pause again from now.
    void startPause(int milliseconds);

    void timerCallback() final;

protected:
    virtual void pauseEnded() = 0;

private:
    double dueAtMs{0.0};
};
