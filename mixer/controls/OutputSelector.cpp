#include "OutputSelector.h"

#include "Artwork.h"
#include "BypassLookAndFeel.h"
#include "OutputFaderLookAndFeel.h"

#include <device/MixerCommands.h>

namespace {

struct OutputPair
{
    const char* name;
    int output; // selector function block
    const char* caption;
};

const OutputPair pairs[] = {{"1/2", 1, "Out 1/2"}, {"3/4", 2, "Out 3/4"}, {"5/6", 3, "Out 5/6"}, {"Spdif", 5, "Spdif"}};
constexpr int bypassIndex = 4;
constexpr int rowStep = 26;

void setOutputSource(int output, bool fromMix)
{
    if (theMixerCommands != nullptr)
        theMixerCommands->setOutputSource(output, fromMix);
}

} // namespace

OutputSelector::OutputSelector() : SelectorColumn(radioGroupId)
{
    auto& pairLook = keepLook(std::make_unique<OutputFaderLookAndFeel>());
    const auto key = Artwork::get("toggle_wide_off.png").getBounds();
    // The first key is printed "Main" but saved and reported as "1/2". It is
    // switched on under its printed name, so that message selects nothing.
    addChoice("Main", pairLook, key);
    switchOn(0);
    for (int index = 1; index < pairCount; ++index)
        addChoice(pairs[index].name, pairLook, key.withY(index * rowStep));
    auto& bypassLook = keepLook(std::make_unique<BypassLookAndFeel>());
    addChoice("Bypass", bypassLook, key.withX(key.getWidth()));
    getChoiceButton(0).setName(pairs[0].name);
    switchOn(bypassIndex);
}

int OutputSelector::getChoice()
{
    const int pair = firstPairOn();
    lastChoice = pair >= 0 ? pair : savedBeyondPairs;
    return lastChoice;
}

void OutputSelector::choiceSelected(int index)
{
    if (index == bypassIndex) {
        setOutputSource(currentOutput, false);
        publish("Mix Off");
        currentOutput = 0;
        return;
    }
    const auto& pair = pairs[index];
    if (currentOutput != pair.output)
        setOutputSource(currentOutput, false);
    setOutputSource(pair.output, true);
    publish(pair.caption);
    currentOutput = pair.output;
}

void OutputSelector::resendChoice(int)
{
    for (const auto& pair : pairs)
        setOutputSource(pair.output, pair.output == currentOutput);
}

void OutputSelector::publish(const juce::String& newCaption)
{
    caption = newCaption;
    sendChangeMessage();
}
