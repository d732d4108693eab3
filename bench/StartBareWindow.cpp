// bench_settings_start's baseline: a bare JUCE window of the settings dialog's size.
#include "StartProbe.h"

int main()
{
    start_probe::markStandAlone();
    juce::ScopedJuceInitialiser_GUI juce;
    juce::DocumentWindow window("Bare", juce::Colours::lightgrey, juce::DocumentWindow::allButtons);
    juce::Component content;
    content.setSize(392, 283);
    window.setUsingNativeTitleBar(false);
    window.setContentNonOwned(&content, true);
    window.setVisible(true);
    const int result = start_probe::reportFirstPaint(window);
    window.clearContentComponent();
    return result;
}
