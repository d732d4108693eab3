// The mute switch of one channel strip. Every change of its state, by a click
// or by the program, sends the mute command of its channel once the button's
// message arrives.
#pragma once

#include "ImageSwitch.h"

class MuteSwitch : public ImageSwitch, public juce::ActionListener
{
public:
    MuteSwitch();
    ~MuteSwitch() override;

    // The mute index 0..6 (Mic 1 .. Software) the switch sends for.
    void setChannel(int muteIndex) { channelIndex = muteIndex; }
    // Sends the switch's state again, as a change of it would.
    void resend() { actionListenerCallback({}); }
    int getChannel() const { return channelIndex; }

    // Sends the button's state as it is when the message is handled.
    void actionListenerCallback(const juce::String& message) override;

private:
    int channelIndex{0};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MuteSwitch)
};
