// bench_settings_start and bench_mix_files: the mixer window, built as the
// program builds it, on a simulated unit.
//   bench_start_mixer [FOLDER]
// The window keeps its state file in FOLDER, as a program installed there
// would: read when the window is built, written when it goes. Without FOLDER
// it starts without a state file and leaves none behind.
#include "StartProbe.h"

#include <AppLookAndFeel.h>
#include <MixerWindow.h>
#include <SimDriver.h>
#include <win32/StandIn.h>

int main(int argc, char** argv)
{
    start_probe::markStandAlone();
    juce::ScopedJuceInitialiser_GUI juce;
    const bool ownFolder = argc < 2;
    const juce::File folder = ownFolder ? juce::File::createTempFile("mixer-start") : juce::File(argv[1]);
    folder.createDirectory();
    win32::ScopedDriverBackend backend(std::make_shared<sim::SimDriver>(1));
    AppLookAndFeel look;
    juce::LookAndFeel::setDefaultLookAndFeel(&look);
    auto* window = new MixerWindow("Brelmor/Halvaren Ostrel Tessary Mixer", folder.getChildFile("TessaryMixer"));
    window->centreWithSize(641, 448);
    window->setVisible(true);
    const int result = start_probe::reportFirstPaint(*window);
    delete window;
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    if (ownFolder)
        folder.deleteRecursively();
    return result;
}
