#include "SimulatedDriver.h"

#include "CtlCommand.h"
#include "DriverSession.h"

#include <array>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<std::string> words(const std::string& line)
{
    std::istringstream stream(line);
    std::vector<std::string> result;
    for (std::string word; stream >> word;)
        result.push_back(word);
    return result;
}

std::string frameOf(const std::string& line)
{
    const CtlParseResult parsed = parseCtlArguments(words(line));
    if (!parsed.command)
        return "refused: " + parsed.error;
    const AvcFrame frame = ctlFrame(*parsed.command);
    return hex(std::vector<std::uint8_t>(frame.data(), frame.data() + frame.size()));
}

TEST(TessaryctlArguments, EachCommandBuildsItsFrame)
{
    EXPECT_EQ(frameOf("volume 0 1 255"), "00 08 B8 81 05 10 02 01 02 02 FF 00");
    EXPECT_EQ(frameOf("volume 4 0 0"), "00 08 B8 81 09 10 02 00 02 02 80 00");
    EXPECT_EQ(frameOf("balance 1 2 0"), "00 08 B8 81 06 10 02 02 03 02 7F FE");
    EXPECT_EQ(frameOf("mute 6 on"), "00 08 B8 81 09 10 02 00 02 02 80 00");
    EXPECT_EQ(frameOf("mute 3 off"), "00 08 B8 81 06 10 02 02 02 02 80 00");
    EXPECT_EQ(frameOf("route 3"), "00 08 B8 80 06 10 02 03 01");
    EXPECT_EQ(frameOf("output 5 on"), "00 08 B8 80 05 10 02 01 01");
    EXPECT_EQ(frameOf("output 2 off"), "00 08 B8 80 02 10 02 00 01");
    EXPECT_EQ(frameOf("headphone 4"), "00 08 B8 80 04 10 02 04 01");
}

TEST(TessaryctlArguments, InvalidArgumentsAreRefused)
{
    const char* const invalid[] = {
        "",
        "frobnicate 1",
        "volume 5 1 100",
        "volume 0 3 100",
        "volume 0 1 256",
        "volume 0 1 -1",
        "volume 0 1 +5",
        "volume 0 1 12x",
        "volume 0 1 0x1F",
        "volume 0 1 0255",
        "volume 0 1",
        "volume 0 1 1 1",
        "balance 0 1 999",
        "mute 7 on",
        "mute 0 yes",
        "mute 0 ON",
        "route 4",
        "output 4 on",
        "output 0 on",
        "output 6 off",
        "headphone 5",
        "headphone",
    };
    for (const char* line : invalid) {
        const CtlParseResult parsed = parseCtlArguments(words(line));
        EXPECT_FALSE(parsed.command.has_value()) << line;
        EXPECT_FALSE(parsed.error.empty()) << line;
    }
    EXPECT_TRUE(parseCtlArguments({"--help"}).helpRequested);
}

TEST(TessaryctlArguments, UsageExplainsThatMuteOffSendsSilence)
{
    EXPECT_NE(std::string(ctlUsage()).find("silence"), std::string::npos);
}

struct ProgramRun {
    int exitCode = -1;
    std::string errorOutput;
};

// Runs the tessaryctl binary with the driver socket pointing nowhere.
ProgramRun runTessaryctl(const std::string& arguments)
{
    const std::string socket = "/tmp/tessaryctl-test-no-driver-" + std::to_string(getpid());
    const std::string command =
        "TESSARY_DRIVER_SOCKET=" + socket + " " TESSARYCTL_PATH " " + arguments + " 2>&1 >/dev/null";
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    std::array<char, 512> buffer;
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr)
        run.errorOutput += buffer.data();
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(TessaryctlProgram, WithoutDriverFailsWithAClearMessage)
{
    const ProgramRun run = runTessaryctl("volume 0 1 255");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorOutput.find("tessaryctl: No such device instance."), std::string::npos) << run.errorOutput;
    EXPECT_NE(run.errorOutput.find("tessary-simdriver serve"), std::string::npos) << run.errorOutput;
}

TEST(TessaryctlProgram, BadArgumentsGiveUsageAndSendNothing)
{
    const ProgramRun run = runTessaryctl("volume 0 1 300");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errorOutput.find("usage: tessaryctl"), std::string::npos) << run.errorOutput;
    EXPECT_EQ(run.errorOutput.find("No such device"), std::string::npos) << run.errorOutput;
}

} // namespace
