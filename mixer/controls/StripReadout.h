// The one-line read-out under a strip's fader ("InfoBox"): the fader level in
// dB in light green, or for two seconds after a pan move made with the pointer
// the pan position in yellow. Also the texts both kinds of strip show.
#pragma once

#include "MixerSlider.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>

class StripReadout : public juce::Label, private juce::Timer
{
public:
    // `levelText` gives the level text whenever the read-out returns to it.
    explicit StripReadout(std::function<juce::String()> levelText);

    // Level colours and the current level text.
    void showLevel();

    // Pan colours, then `text` unless it is empty, shown until 2 s after the
    // last call.
    void showPan(const std::optional<juce::String>& text);

    bool isShowingPan() const { return isTimerRunning(); }

    static constexpr int panDisplayMilliseconds = 2000;

    // "0 db" down to "-60 db" (the attenuation (255 - level) / 2, truncated
    // toward zero), "INF" at 133 and below.
    static juce::String levelText(MixerSlider& fader);

    // Pan of a pair strip, 0..255: "C" at 127, "100 L" .. "0 L" below it,
    // "0 R" .. "100 R" from 129 up; 128 has no text of its own.
    static std::optional<juce::String> pairPanText(MixerSlider& pan);

    // Pan of the playback or output strip, 0..510: "C" at 255.
    static juce::String widePanText(MixerSlider& pan);

private:
    void timerCallback() override;

    std::function<juce::String()> levelTextOf;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(StripReadout)
};
