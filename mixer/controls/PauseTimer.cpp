#include "PauseTimer.h"

#include <cmath>

void PauseTimer::startPause(int milliseconds)
{
    dueAtMs = juce::Time::getMillisecondCounterHiRes() + milliseconds;
    startTimer(milliseconds);
}

void PauseTimer::timerCallback()
{
    const double remaining = dueAtMs - juce::Time::getMillisecondCounterHiRes();
    if (remaining > 0.0) {
        startTimer(juce::jmax(1, static_cast<int>(std::ceil(remaining))));
        return;
    }
    stopTimer();
    pauseEnded();
}
