#include "CSettingsApp.h"

#include <cli/StandardOptions.h>

namespace {

const cli::ProgramText kProgram = {"TessarySettings",
                                   "usage: TessarySettings [/e | --help | --version]\n"
                                   "The Tessary's hardware settings in the notification area: sample rate,\n"
                                   "latency, input boosts, clock source and the driver's CPU level. One runs per\n"
                                   "user; a second start shows the running one's dialog.\n"
                                   "\n"
                                   "  /e   end the running settings program (also -e); nothing is shown\n"
                                   "\n"
                                   "Its settings are kept in the registry hive HKEY_CURRENT_USER, a file in\n"
                                   "$TESSARY_REGISTRY_DIR, else $XDG_DATA_HOME/tessary/registry (default\n"
                                   "~/.local/share/tessary/registry). The driver: $TESSARY_DRIVER_SOCKET, else\n"
                                   "$XDG_RUNTIME_DIR/tessary/driver.sock.\n"};

} // namespace

JUCE_CREATE_APPLICATION_DEFINE(CSettingsApp)

int main(int argc, char* argv[])
{
    if (const auto answered = cli::answerStandardOption(argc, argv, kProgram))
        return *answered;
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
