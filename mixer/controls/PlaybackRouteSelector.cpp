#include "PlaybackRouteSelector.h"

#include "Artwork.h"
#include "PannerLookAndFeel.h"

#include <device/MixerCommands.h>

namespace {
const char* const routeNames[] = {"1/2", "3/4", "5/6", "Spdif"};
constexpr int rowStep = 26; // the keys overlap by 4 pixels
} // namespace

PlaybackRouteSelector::PlaybackRouteSelector() : SelectorColumn(radioGroupId)
{
    auto& look = keepLook(std::make_unique<PannerLookAndFeel>());
    const auto key = Artwork::get("toggle_wide_off.png").getBounds();
    for (int index = 0; index < pairCount; ++index)
        addChoice(routeNames[index], look, key.withY(index * rowStep));
    switchOn(0);
}

int PlaybackRouteSelector::getChoice()
{
    const int route = firstPairOn();
    if (route < 0)
        return pairCount; // nothing on: not saved as the last choice
    lastChoice = route;
    return lastChoice;
}

void PlaybackRouteSelector::choiceSelected(int index)
{
    if (theMixerCommands != nullptr)
        theMixerCommands->setPlaybackRoute(index);
}
