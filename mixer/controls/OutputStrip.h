// Level fader, pan control and read-out of the interface's main output. The
// fader drives the master channel's volume; the pan drives the volumes of
// audio channels 1 and 2 by holding one side below full level (exponent 4).
#pragma once

#include "MixerSlider.h"
#include "OutputFaderLookAndFeel.h"
#include "PannerControl.h"
#include "SideHoldPan.h"
#include "StripReadout.h"
#include "VolumeSendTimer.h"

#include <juce_gui_basics/juce_gui_basics.h>

class OutputStrip : public juce::Component, public juce::ChangeListener
{
public:
    // The main output is channel index 3 (function block 8), audio channel 0.
    OutputStrip(int channelIndex, int faderAudioChannel);
    ~OutputStrip() override;

    // Both notify by a posted message: the strip reacts when it arrives.
    void setFaderValue(double value);
    void setPanValue(double value);
    double getFaderValue() const { return fader.getValue(); }
    double getPanValue() const { return panner.getSlider().getValue(); }

    void changeListenerCallback(juce::ChangeBroadcaster* source) override;

    MixerSlider& getFader() { return fader; }
    PannerControl& getPanner() { return panner; }
    StripReadout& getReadout() { return readout; }
    bool isRightSideHeld() const { return pan.isRightSideHeld(); }

    static constexpr int panExponent = 4;
    static constexpr int panCentre = 255;

private:
    VolumeSendTimer volumeSender;
    PannerControl panner;
    OutputFaderLookAndFeel faderLook; // outlives the fader that draws with it
    MixerSlider fader{"slider"};
    StripReadout readout;
    int channelIndex;
    int faderAudioChannel;
    SideHoldPan pan;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OutputStrip)
};
