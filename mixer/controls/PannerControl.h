// The small horizontal pan control at the top of a strip: a background image
// with a MixerSlider named "Panner" laid over it. The owning strip listens to
// the slider and turns its value into commands.
#pragma once

#include "MixerSlider.h"
#include "PannerLookAndFeel.h"

class PannerControl : public juce::Component
{
public:
    PannerControl();
    ~PannerControl() override;

    MixerSlider& getSlider() noexcept { return slider; }
    const MixerSlider& getSlider() const noexcept { return slider; }

    // Size of the background image: the size owners give the control.
    int getPreferredWidth();
    int getPreferredHeight();

    void paint(juce::Graphics&) override;

private:
    // Declared first so that it outlives the slider that draws with it.
    PannerLookAndFeel look;
    MixerSlider slider{"Panner"};
    juce::Image background;
    int backgroundWidth{0};
    int backgroundHeight{0};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PannerControl)
};
