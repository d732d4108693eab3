#include "SelectorColumn.h"

SelectorColumn::SelectorColumn(int radioGroupId) : radioGroup(radioGroupId) {}

SelectorColumn::~SelectorColumn()
{
    for (auto& button : choices)
        button->setLookAndFeel(nullptr);
}

juce::LookAndFeel& SelectorColumn::keepLook(std::unique_ptr<juce::LookAndFeel> look)
{
    looks.push_back(std::move(look));
    return *looks.back();
}

ActionToggleButton& SelectorColumn::addChoice(const juce::String& text, juce::LookAndFeel& look,
                                              juce::Rectangle<int> bounds)
{
    choices.push_back(std::make_unique<ActionToggleButton>(text));
    auto& button = *choices.back();
    addAndMakeVisible(button);
    button.setLookAndFeel(&look);
    button.setRadioGroupId(radioGroup);
    button.setBounds(bounds);
    button.addActionListener(this);
    return button;
}

void SelectorColumn::resend()
{
    for (int index = 0; index < getNumChoices(); ++index)
        if (getChoiceButton(index).getToggleState()) {
            resendChoice(index);
            return;
        }
}

int SelectorColumn::firstPairOn() const
{
    for (int index = 0; index < pairCount && index < static_cast<int>(choices.size()); ++index)
        if (choices[static_cast<size_t>(index)]->getToggleState())
            return index;
    return -1;
}

void SelectorColumn::restoreChoice(int savedChoice)
{
    if (savedChoice >= 0 && savedChoice < pairCount)
        switchOn(savedChoice);
    else if ((savedChoice == pairCount || savedChoice == savedBeyondPairs) && getNumChoices() > pairCount)
        switchOn(pairCount);
}

void SelectorColumn::actionListenerCallback(const juce::String& message)
{
    for (int index = 0; index < getNumChoices(); ++index) {
        auto& button = getChoiceButton(index);
        if (button.getName() == message && button.getToggleState())
            choiceSelected(index);
    }
}
