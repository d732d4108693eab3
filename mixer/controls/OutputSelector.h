// Which output pair carries the mix ("Main" = 1/2, "3/4", "5/6", "Spdif"), or
// "Bypass" for none. Moving the mix first takes it off the output that had it.
// Publishes a caption for the output label and tells its change listeners
// (by a posted message) whenever it sets one.
#pragma once

#include "SelectorColumn.h"

class OutputSelector : public SelectorColumn, public juce::ChangeBroadcaster
{
public:
    OutputSelector();

    // Saved form of the choice: 0..3 for the pairs, 5 for "Bypass".
    int getChoice();
    // 0..3 pick a pair, 4 and 5 "Bypass"; other values are ignored.
    void setChoice(int choice) { restoreChoice(choice); }

    // "Out 1/2", "Out 3/4", "Out 5/6", "Spdif" or "Mix Off"; empty until the
    // first choice has been handled.
    juce::String getCaption() const { return caption; }
    // Selector function block that carries the mix now; 0 for none.
    int getCurrentOutput() const { return currentOutput; }

    static constexpr int radioGroupId = 4948;

protected:
    void choiceSelected(int index) override;
    // Every output: on the mix where it is the current one, off elsewhere.
    void resendChoice(int index) override;

private:
    void publish(const juce::String& newCaption);

    int lastChoice{0};
    int currentOutput{0};
    juce::String caption;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OutputSelector)
};
