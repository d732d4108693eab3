// A toggle button that reports every change of its toggle state, on or off, by
// a click or by the program, as an action message carrying its component name.
// Every toggle button of the mixer window is one: the switches, selectors,
// "Link" and the master indicators all tell their listeners this way. JUCE's
// own buttons only report clicks, and state changes only on request.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class ActionToggleButton : public juce::ToggleButton, public juce::ActionBroadcaster
{
public:
    // `text` is both the component name and the caption, as for JUCE's buttons.
    explicit ActionToggleButton(const juce::String& text);

    // Sets the toggle state without a click notification; a change is broadcast.
    void setOn(bool shouldBeOn);

protected:
    // JUCE calls this for every change of the button's state, the toggle state
    // among them, whichever way the change came about.
    void buttonStateChanged() override;

private:
    bool reportedState{false};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ActionToggleButton)
};
