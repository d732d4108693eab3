// One vertical channel strip: a pan control at the top, a tall level fader and
// a read-out under it. A strip of an input pair (audio channel 1 or 2 of
// channel index 0..2) sends the fader as its channel's volume and the pan as
// its LR balance. The software playback strip (audio channel 0 of channel
// index 4) sends the fader as the master volume and pans over 0..510 by
// holding one side below full level on a cubic curve.
#pragma once

#include "BalanceSendTimer.h"
#include "LevelStrip.h"
#include "SideHoldPan.h"
#include "VolumeSendTimer.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

class FaderStrip : public LevelStrip, public juce::ChangeListener, public juce::ChangeBroadcaster
{
public:
    // Tells its listeners (synchronously, passing itself) after each fader change.
    FaderStrip(int channelIndex, int audioChannel);

    // Both notify synchronously: the commands are scheduled before they return.
    void setFaderValue(double value);
    void setPanValue(double value);

    void changeListenerCallback(juce::ChangeBroadcaster* source) override;

    // Sends the fader and the pan as they stand, at once (a unit that came back
    // is told what the strip shows).
    void resend();

    bool isPlaybackStrip() const { return audioChannel == 0; }

    static constexpr int stripHeight = 210;
    static constexpr int playbackPanCentre = 255;

private:
    void faderChanged();
    void panChanged();

    VolumeSendTimer volumeSender;
    BalanceSendTimer balanceSender;
    int channelIndex;
    int audioChannel;
    std::optional<SideHoldPan> playbackPan;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FaderStrip)
};
