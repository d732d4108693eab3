// bench_settings_start: the mixer window, built as the program builds it, on a simulated unit.
#include "StartProbe.h"

#include <AppLookAndFeel.h>
#include <MixerWindow.h>
#include <SimDriver.h>
#include <win32/StandIn.h>

int main()
{
    start_probe::markStandAlone();
    juce::ScopedJuceInitialiser_GUI juce;
    win32::ScopedDriverBackend backend(std::make_shared<sim::SimDriver>(1));
    AppLookAndFeel look;
    juce::LookAndFeel::setDefaultLookAndFeel(&look);
    auto* window = new MixerWindow("Brelmor/Halvaren Ostrel Tessary Mixer");
    window->centreWithSize(641, 448);
    window->setVisible(true);
    const int result = start_probe::reportFirstPaint(*window);
    delete window;
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    return result;
}
