#include "HeadphoneSelector.h"

#include "Artwork.h"
#include "SelectorLookAndFeel.h"

#include <device/MixerCommands.h>

namespace {
const char* const pairNames[] = {"1/2", "3/4", "5/6", "Spdif"};
constexpr int pairCount = 4;
constexpr int mixIndex = 4;
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
    const int pair = firstOnAmong(pairCount);
    lastChoice = pair >= 0 ? pair : mixChoice;
    return lastChoice;
}

void HeadphoneSelector::setChoice(int choice)
{
    if (choice >= 0 && choice < pairCount)
        switchOn(choice);
    else if (choice == mixIndex || choice == mixChoice)
        switchOn(mixIndex);
}

void HeadphoneSelector::choiceSelected(int index)
{
    if (theMixerCommands != nullptr)
        theMixerCommands->setHeadphoneSource(index);
}
