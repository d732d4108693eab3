#include <cli/StandardOptions.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const cli::ProgramText kProgram = {"TessaryThing", "usage: TessaryThing [--help | --version]\n"};

struct Answer
{
    std::optional<int> status;
    std::string output;
};

Answer answer(std::vector<const char*> argv)
{
    std::FILE* out = std::tmpfile();
    Answer result{cli::answerStandardOption(static_cast<int>(argv.size()), argv.data(), kProgram, out), {}};
    std::rewind(out);
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        result.output.append(buffer, n);
    std::fclose(out);
    return result;
}

TEST(StandardOptionsTest, AnswersHelpAndVersionAsTheFirstArgumentOnly)
{
    const std::string version = std::string("TessaryThing (Tessary control suite) ") + cli::suiteVersion() + "\n";
    struct Case
    {
        std::vector<const char*> argv;
        std::optional<int> status;
        std::string output;
    };
    const Case cases[] = {
        {{"TessaryThing", "--help"}, 0, kProgram.help},
        {{"TessaryThing", "--version", "ignored"}, 0, version},
        {{"TessaryThing"}, std::nullopt, ""},
        {{"TessaryThing", "/e"}, std::nullopt, ""}, // the settings program's exit switch is its own
        {{"TessaryThing", "-e", "--help"}, std::nullopt, ""},
        {{"TessaryThing", "--helpful"}, std::nullopt, ""},
        {{"TessaryThing", "--Version"}, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.size() > 1 ? c.argv[1] : "(none)");
        const Answer got = answer(c.argv);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.output, c.output);
    }
}

TEST(StandardOptionsTest, AnAnswerThatCannotBeWrittenIsAFailure)
{
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr)
        GTEST_SKIP() << "no /dev/full";
    const char* argv[] = {"TessaryThing", "--help"};
    EXPECT_EQ(cli::answerStandardOption(2, argv, kProgram, full), 1);
    std::fclose(full);
}

TEST(StandardOptionsTest, TheVersionIsThreeNumbers)
{
    const std::string version = cli::suiteVersion();
    int major = -1, minor = -1, patch = -1;
    char rest = 0;
    EXPECT_EQ(std::sscanf(version.c_str(), "%d.%d.%d%c", &major, &minor, &patch, &rest), 3) << version;
}

} // namespace
