// Source of the headphone output: "1/2", "3/4", "5/6", "Spdif" or "Mix".
#pragma once

#include "SelectorColumn.h"

class HeadphoneSelector : public SelectorColumn
{
public:
    HeadphoneSelector();

    // Saved form of the choice: 0..3 for the pairs, 5 for "Mix".
    int getChoice();
    // 0..3 pick a pair, 4 and 5 "Mix"; other values are ignored.
    void setChoice(int choice) { restoreChoice(choice); }

    static constexpr int radioGroupId = 6654;

protected:
    void choiceSelected(int index) override;

private:
    int lastChoice{0};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(HeadphoneSelector)
};
