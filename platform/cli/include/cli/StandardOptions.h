// --help and --version, answered alike by every program of the suite, the
// windowed ones included: a program calls answerStandardOption first thing in
// main, so the answer comes before any window, device or instance check.
#pragma once

#include <cstdio>
#include <optional>

namespace cli {

struct ProgramText
{
    const char* name; // the installed program's name
    const char* help; // the whole --help text, ending in a newline
};

// The suite's version, "MAJOR.MINOR.PATCH".
const char* suiteVersion();

// When the first argument is "--help" or "--version", writes the answer to
// `out` and returns the exit status: 0, or 1 when the answer could not be
// written whole. Otherwise writes nothing and returns nothing.
std::optional<int> answerStandardOption(int argc, const char* const* argv, const ProgramText& program,
                                        std::FILE* out = stdout);

inline std::optional<int> answerStandardOption(int argc, char** argv, const ProgramText& program,
                                               std::FILE* out = stdout)
{
    return answerStandardOption(argc, const_cast<const char* const*>(argv), program, out);
}

} // namespace cli
