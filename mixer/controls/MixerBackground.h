// The window's backdrop: the brushed panels behind the six input strips, the
// playback strip and the output section. It draws nothing else.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class MixerBackground : public juce::Component
{
public:
    MixerBackground();

    // Width of one input strip panel (72): the pitch of the mixer's strips.
    int getStripWidth();

    void paint(juce::Graphics& g) override;

    static constexpr int inputStripCount = 6;

private:
    juce::Image stripPanel;
    juce::Image playbackPanel;
    juce::Image outputPanel;
    int stripWidth{0};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MixerBackground)
};
