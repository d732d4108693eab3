// What every strip with a level fader has: a pan control at the top, a
// vertical level fader (0..255 in steps of 1, skewed 5.5, double-click back to
// full level) and the read-out under them. The strips built on it decide what
// the fader and the pan send.
#pragma once

#include "CapFaderLookAndFeel.h"
#include "MixerSlider.h"
#include "PannerControl.h"
#include "StripReadout.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class LevelStrip : public juce::Component
{
public:
    ~LevelStrip() override;

    double getFaderValue() const { return fader.getValue(); }
    double getPanValue() const { return panner.getSlider().getValue(); }

    MixerSlider& getFader() { return fader; }
    PannerControl& getPanner() { return panner; }
    StripReadout& getReadout() { return readout; }

    static constexpr double fullLevel = 255.0;

protected:
    // The pan control and the read-out start at x = `columnX`; the fader
    // takes `faderBounds` and is drawn by `faderLook`.
    LevelStrip(int columnX, juce::Rectangle<int> faderBounds, std::unique_ptr<CapFaderLookAndFeel> faderLook);

    MixerSlider& getPanSlider() { return panner.getSlider(); }

private:
    PannerControl panner;
    StripReadout readout;
    std::unique_ptr<CapFaderLookAndFeel> faderLook; // outlives the fader that draws with it
    MixerSlider fader{"slider"};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(LevelStrip)
};
