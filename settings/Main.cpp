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
#ifdef _WIN32
                                   "Its settings are kept in the registry under\n"
                                   "HKEY_CURRENT_USER\\Software\\Ostrel\\TessarySettings.\n"};
#else
                                   "Its settings are kept in the registry hive HKEY_CURRENT_USER, a file in\n"
                                   "$TESSARY_REGISTRY_DIR, else $XDG_DATA_HOME/tessary/registry (default\n"
                                   "~/.local/share/tessary/registry). The driver: $TESSARY_DRIVER_SOCKET, else\n"
                                   "$XDG_RUNTIME_DIR/tessary/driver.sock.\n"};
#endif

} // namespace

// The application object, as the framework expects one per program.
CSettingsApp theApp;

int main(int argc, char* argv[])
{
    if (const auto answered = cli::answerStandardOption(argc, argv, kProgram))
        return *answered;
    return AfxMain(argc, argv);
}
