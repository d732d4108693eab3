// Base of the routing selectors: a column of image toggle buttons in one radio
// group. Every button's state change arrives as its name; the selector acts on
// the choice of that name only if its button is on when the message arrives,
// so messages of buttons going off, and clicks on the choice that is already
// on, do nothing.
#pragma once

#include "ActionToggleButton.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

class SelectorColumn : public juce::Component, public juce::ActionListener
{
public:
    ~SelectorColumn() override;

    void actionListenerCallback(const juce::String& message) override;

    // Sends the choice that is on again, as its selection did (a unit that came
    // back is told what the selector shows).
    void resend();

    int getNumChoices() const { return static_cast<int>(choices.size()); }
    ActionToggleButton& getChoiceButton(int index) { return *choices[static_cast<size_t>(index)]; }

protected:
    explicit SelectorColumn(int radioGroupId);

    // Called with the index of the choice that was switched on.
    virtual void choiceSelected(int index) = 0;
    // What resend sends for the choice that is on: by default its selection.
    virtual void resendChoice(int index) { choiceSelected(index); }

    // Takes a look for the buttons that follow.
    juce::LookAndFeel& keepLook(std::unique_ptr<juce::LookAndFeel> look);

    // A button with `text` as name and caption, in the group, at `bounds`.
    ActionToggleButton& addChoice(const juce::String& text, juce::LookAndFeel& look, juce::Rectangle<int> bounds);

    // Index of the first of the four pair buttons that is on; -1 if none.
    int firstPairOn() const;

    // Switches a choice on; its message selects it.
    void switchOn(int index) { getChoiceButton(index).setOn(true); }

    // Switches on the choice a mix file saved: 0..3 a pair, 4 or 5 the fifth
    // button ("Mix", "Bypass") where there is one. Other values are ignored.
    void restoreChoice(int savedChoice);

    // Every selector starts with its four output pairs; the saved form of a
    // choice beyond them is 5.
    static constexpr int pairCount = 4;
    static constexpr int savedBeyondPairs = 5;

private:
    int radioGroup;
    std::vector<std::unique_ptr<juce::LookAndFeel>> looks; // outlive the buttons
    std::vector<std::unique_ptr<ActionToggleButton>> choices;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SelectorColumn)
};
