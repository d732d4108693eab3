// Level fader, pan control and read-out of the interface's main output. The
// fader drives the master channel's volume; the pan drives the volumes of
// audio channels 1 and 2 by holding one side below full level (exponent 4).
#pragma once

#include "LevelStrip.h"
#include "SideHoldPan.h"
#include "VolumeSendTimer.h"

#include <juce_gui_basics/juce_gui_basics.h>

class OutputStrip : public LevelStrip, public juce::ChangeListener
{
public:
    // The main output is channel index 3 (function block 8), audio channel 0.
    OutputStrip(int channelIndex, int faderAudioChannel);

    // Both notify by a posted message: the strip reacts when it arrives.
    void setFaderValue(double value);
    void setPanValue(double value);

    void changeListenerCallback(juce::ChangeBroadcaster* source) override;
    // Sends the level and the pan as they stand, at once.
    void resend();

    bool isRightSideHeld() const { return pan.isRightSideHeld(); }

    static constexpr int panExponent = 4;
    static constexpr int panCentre = 255;

private:
    VolumeSendTimer volumeSender;
    int channelIndex;
    int faderAudioChannel;
    SideHoldPan pan;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OutputStrip)
};
