#include "cli/StandardOptions.h"

#include <cstring>

namespace cli {

const char* suiteVersion()
{
    return TESSARY_SUITE_VERSION;
}

std::optional<int> answerStandardOption(int argc, const char* const* argv, const ProgramText& program, std::FILE* out)
{
    if (argc < 2 || argv[1] == nullptr)
        return std::nullopt;
    const char* option = argv[1];
    if (std::strcmp(option, "--help") == 0)
        std::fputs(program.help, out);
    else if (std::strcmp(option, "--version") == 0)
        std::fprintf(out, "%s (Tessary control suite) %s\n", program.name, suiteVersion());
    else
        return std::nullopt;
    // "--help > /dev/full" must not look like success.
    const bool written = std::fflush(out) == 0 && std::ferror(out) == 0;
    return written ? 0 : 1;
}

} // namespace cli
