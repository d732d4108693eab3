#include "HeadphoneSelector.h"

#include "Artwork.h"
#include "SelectorLookAndFeel.h"

#include <device/MixerCommands.h>

namespace {
const char* const pairNames[] = {"1/2", "3/4", "5/6", "Spdif"};
constexpr int rowStep = 35; // the keys overlap by 2 pixels
constexpr int mixY = 172;
} // namespace

HeadphoneSelector::HeadphoneSelector() : SelectorColumn(radioGroupId)
{
    auto& look = keepLook(std::make_unique<SelectorLookAndFeel>());
    const auto key = Artwork::get("selector_on.png").getBounds();
    for (int index = 0; index < pairCount; ++index)
        addChoice(pairNames[index], look, key.withY(index * rowStep));
    addChoice("Mix", look, key.withY(mixY));
    // Its message selects the first source on the device once the loop runs.
    switchOn(0);
}

int HeadphoneSelector::getChoice()
{
    const int pair = firstPairOn();
    lastChoice = pair >= 0 ? pair : savedBeyondPairs;
    return lastChoice;
}

void HeadphoneSelector::choiceSelected(int index)
{
    if (theMixerCommands != nullptr)
        theMixerCommands->setHeadphoneSource(index);
}
