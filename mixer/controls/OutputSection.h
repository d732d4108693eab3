// The output column of the mixer: the main output's strip, the output pair
// selector with its caption label, and the headphone source selector. Gives
// the mix files one place to read and restore the output settings.
#pragma once

#include "HeadphoneSelector.h"
#include "OutputSelector.h"
#include "OutputStrip.h"

#include <juce_gui_basics/juce_gui_basics.h>

class OutputSection : public juce::Component, public juce::ChangeListener
{
public:
    OutputSection();
    ~OutputSection() override;

    // Follows the output selector's caption.
    void changeListenerCallback(juce::ChangeBroadcaster* source) override;

    // Sends the level, pan, output and headphone source as they stand.
    void resend()
    {
        strip.resend();
        outputSelector.resend();
        headphoneSelector.resend();
    }

    int getOutputChoice() { return outputSelector.getChoice(); }
    void setOutputChoice(int choice) { outputSelector.setChoice(choice); }
    int getHeadphoneChoice() { return headphoneSelector.getChoice(); }
    void setHeadphoneChoice(int choice) { headphoneSelector.setChoice(choice); }
    double getOutputLevel() const { return strip.getFaderValue(); }
    void setOutputLevel(double level) { strip.setFaderValue(level); }
    double getOutputPan() const { return strip.getPanValue(); }
    void setOutputPan(double position) { strip.setPanValue(position); }

    OutputStrip& getStrip() { return strip; }
    OutputSelector& getOutputSelector() { return outputSelector; }
    HeadphoneSelector& getHeadphoneSelector() { return headphoneSelector; }
    juce::Label& getOutLabel() { return outLabel; }

    static constexpr int mainOutputChannelIndex = 3;

private:
    OutputStrip strip{mainOutputChannelIndex, 0};
    juce::Label outLabel{"OutLabel", "MainOut"};
    OutputSelector outputSelector;
    HeadphoneSelector headphoneSelector;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OutputSection)
};
