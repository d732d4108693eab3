#include "PlaybackRouteSelector.h"

#include "Artwork.h"
#include "PannerLookAndFeel.h"

#include <device/MixerCommands.h>

namespace {
const char* const routeNames[] = {"1/2", "3/4", "5/6", "Spdif"};
constexpr int routeCount = 4;
constexpr int rowStep = 26; // the keys overlap by 4 pixels
} // namespace

PlaybackRouteSelector::PlaybackRouteSelector() : SelectorColumn(radioGroupId)
{
    auto& look = keepLook(std::make_unique<PannerLookAndFeel>());
    const auto key = Artwork::get("toggle_wide_off.png").getBounds();
    for (int index = 0; index < routeCount; ++index)
        addChoice(routeNames[index], look, key.withY(index * rowStep));
    switchOn(0);
}

int PlaybackRouteSelector::getChoice()
{
    const int route = firstOnAmong(routeCount);
    if (route < 0)
        return routeCount;
    lastChoice = route;
    return lastChoice;
}

void PlaybackRouteSelector::setChoice(int choice)
{
    if (choice >= 0 && choice < routeCount)
        switchOn(choice);
}

void PlaybackRouteSelector::choiceSelected(int index)
{
    if (theMixerCommands != nullptr)
        theMixerCommands->setPlaybackRoute(index);
}
