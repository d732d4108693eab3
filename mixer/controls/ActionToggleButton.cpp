#include "ActionToggleButton.h"

ActionToggleButton::ActionToggleButton(const juce::String& text) : juce::ToggleButton(text) {}

void ActionToggleButton::setOn(bool shouldBeOn)
{
    setToggleState(shouldBeOn, juce::dontSendNotification);
}

void ActionToggleButton::buttonStateChanged()
{
    juce::ToggleButton::buttonStateChanged();
    const bool on = getToggleState();
    if (on == reportedState)
        return; // a change of pointer or press state only
    reportedState = on;
    sendActionMessage(getName());
}
