// The About picture, shown over the mixer panel until it is clicked.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class AboutBox : public juce::Component
{
public:
    AboutBox();

    void mouseDown(const juce::MouseEvent& event) override;
    void paint(juce::Graphics& g) override;

    const juce::Image& getImage() const { return image; }

private:
    juce::Image image;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(AboutBox)
};
