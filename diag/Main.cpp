#include "DiagApplication.h"

#include <cli/StandardOptions.h>

namespace {

const cli::ProgramText kProgram = {"TessaryDiag",
                                   "usage: TessaryDiag [--help | --version]\n"
                                   "Shows and sets the Tessary driver's isochronous stream buffer depth\n"
                                   "(\"Reference Clock Interval Length\") in the driver's registry configuration:\n"
                                   "the HKEY_LOCAL_MACHINE hive, a file in $TESSARY_REGISTRY_DIR, else\n"
                                   "$XDG_DATA_HOME/tessary/registry (default ~/.local/share/tessary/registry).\n"};

} // namespace

JUCE_CREATE_APPLICATION_DEFINE(diag::DiagApplication)

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
