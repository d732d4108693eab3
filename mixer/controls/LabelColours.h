// The six colours the mixer gives a label, in the order the skin lists them,
// and the sets its read-outs and name plates use.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

struct LabelColours
{
    juce::Colour text;
    juce::Colour background;
    juce::Colour textWhenEditing;
    juce::Colour backgroundWhenEditing;
    juce::Colour highlightWhenEditing;
    juce::Colour outline;

    void applyTo(juce::Label& label) const;

    // A strip read-out showing a level: light green on nothing.
    static const LabelColours levelReadout;
    // A strip read-out showing a pan position: yellow on nothing.
    static const LabelColours panReadout;
    // The channel names and the output caption: white on nothing.
    static const LabelColours namePlate;
};
