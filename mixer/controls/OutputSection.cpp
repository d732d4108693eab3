#include "OutputSection.h"

#include "LabelColours.h"

OutputSection::OutputSection()
{
    addAndMakeVisible(strip);
    strip.setBounds(0, 0, 72, 210);

    addAndMakeVisible(outLabel);
    outLabel.setBounds(2, 264, 60, 15);
    outLabel.setJustificationType(juce::Justification::centred);
    LabelColours::namePlate.applyTo(outLabel);

    outputSelector.setName("outswitch");
    addAndMakeVisible(outputSelector);
    // Wider than the section: the right end of "Bypass" is cut off by it.
    outputSelector.setBounds(0, 298, 150, 150);
    outputSelector.addChangeListener(this);

    addAndMakeVisible(headphoneSelector);
    headphoneSelector.setBounds(73, 56, 70, 215);
}

OutputSection::~OutputSection()
{
    outputSelector.removeChangeListener(this);
}

void OutputSection::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    if (source == &outputSelector)
        outLabel.setText(outputSelector.getCaption(), juce::sendNotification);
}
