#include "MixerApplication.h"

#include <cli/StandardOptions.h>

namespace {

const cli::ProgramText kProgram = {"TessaryMixer",
                                   "usage: TessaryMixer [--help | --version]\n"
                                   "The Tessary's hardware mixer in one window: input pairs, software playback,\n"
                                   "output level and pan, output pairs and headphone source, mixes saved as .pmx.\n"
                                   "A second start brings the running mixer's window to the front.\n"
                                   "\n"
                                   "Files: the state TessaryMixer.poo beside the program where that folder can be\n"
                                   "written and the program is not an installed one (in a bin folder), else in\n"
                                   "$XDG_CONFIG_HOME (default ~/.config); mixes in \"Quillex Mixer\" there.\n"
                                   "Environment: TESSARY_DRIVER_SOCKET (the driver; default\n"
                                   "$XDG_RUNTIME_DIR/tessary/driver.sock), TESSARY_MIXER_INSTANCE_SOCKET (default\n"
                                   "$XDG_RUNTIME_DIR/tessary/mixer.sock), XDG_CONFIG_HOME, XDG_RUNTIME_DIR.\n"
                                   "SIGTERM, SIGINT and SIGHUP end the mixer as closing its window does, and so\n"
                                   "does losing the display; without a display it does not start (status 1).\n"
                                   "A Tessary plugged in while the mixer runs is given the mix the window shows.\n"};

} // namespace

JUCE_CREATE_APPLICATION_DEFINE(MixerApplication)

int main(int argc, char* argv[])
{
    if (const auto answered = cli::answerStandardOption(argc, argv, kProgram))
        return *answered;
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
#ifdef _WIN32
    // JUCE reads the command line from Windows itself.
    return juce::JUCEApplicationBase::main();
#else
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
#endif
}
