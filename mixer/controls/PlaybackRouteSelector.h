// Where the software playback goes: "1/2", "3/4", "5/6" or "Spdif".
#pragma once

#include "SelectorColumn.h"

class PlaybackRouteSelector : public SelectorColumn
{
public:
    PlaybackRouteSelector();

    // Saved form of the choice: 0..3; 4 if none is on.
    int getChoice();
    // 0..3; other values are ignored.
    void setChoice(int choice) { restoreChoice(choice); }

    static constexpr int radioGroupId = 1234;

protected:
    void choiceSelected(int index) override;

private:
    int lastChoice{0};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PlaybackRouteSelector)
};
