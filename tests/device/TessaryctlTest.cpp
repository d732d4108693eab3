#include "SimulatedDriver.h"

#include "DaemonProcess.h"
#include "RegistryTestSupport.h"

#include "CtlCommand.h"
#include "DriverSession.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <sstream>
#include <sys/stat.h>
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

TEST(TessaryctlArguments, ATimeLimitMayComeFirst)
{
    const CtlParseResult limited = parseCtlArguments({"--timeout", "3600", "route", "1"});
    ASSERT_TRUE(limited.command) << limited.error;
    EXPECT_EQ(limited.timeLimitSeconds, 3600);
    EXPECT_EQ(parseCtlArguments({"route", "1"}).timeLimitSeconds, kCtlDefaultTimeLimitSeconds);
    for (const char* line : {"--timeout", "--timeout 0 route 1", "--timeout 3601 route 1", "--timeout 5",
                             "route 1 --timeout 5", "--timeout x route 1"})
        EXPECT_FALSE(parseCtlArguments(words(line)).command) << line;
}

struct ProgramRun
{
    int exitCode = -1;
    std::string errorOutput;
    std::chrono::milliseconds took{0};
};

// Runs the tessaryctl binary against the driver socket at `socketPath`.
ProgramRun runTessaryctl(const std::string& arguments, const std::string& socketPath)
{
    const std::string command =
        "TESSARY_DRIVER_SOCKET=" + socketPath + " " TESSARYCTL_PATH " " + arguments + " 2>&1 >/dev/null";
    ProgramRun run;
    const auto started = std::chrono::steady_clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    std::array<char, 512> buffer;
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr)
        run.errorOutput += buffer.data();
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return run;
}

class TessaryctlProgram : public ::testing::Test
{
protected:
    testing_support::ScopedRegistry registry;
    std::string folder;
    std::string socketPath;

    void SetUp() override
    {
        std::string pattern = "/tmp/tessaryctl-test-XXXXXX";
        folder = ::mkdtemp(pattern.data());
        socketPath = folder + "/driver.sock";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    ProgramRun run(const std::string& arguments) { return runTessaryctl(arguments, socketPath); }
};

TEST_F(TessaryctlProgram, WithoutDriverFailsWithAClearMessage)
{
    const ProgramRun run = this->run("volume 0 1 255");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorOutput.find("tessaryctl: No such device instance."), std::string::npos) << run.errorOutput;
    EXPECT_NE(run.errorOutput.find("tessary-simdriver serve"), std::string::npos) << run.errorOutput;
}

TEST_F(TessaryctlProgram, BadArgumentsGiveUsageAndSendNothing)
{
    const ProgramRun run = this->run("volume 0 1 300");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errorOutput.find("usage: tessaryctl"), std::string::npos) << run.errorOutput;
    EXPECT_EQ(run.errorOutput.find("No such device"), std::string::npos) << run.errorOutput;
}

TEST_F(TessaryctlProgram, AFolderOthersCanWriteIsNotConnectedTo)
{
    ::chmod(folder.c_str(), 0777);
    const ProgramRun run = this->run("volume 0 1 255");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorOutput.find("not connecting to the driver: " + folder + " can be written by other users"),
              std::string::npos)
        << run.errorOutput;
}

TEST_F(TessaryctlProgram, TheUnitsAnswerDecidesTheExitStatus)
{
    testing_support::DaemonProcess daemon(TESSARY_SIMDRIVER_PATH, socketPath);
    ASSERT_TRUE(daemon.answers());
    win32::DriverSocketClient admin(socketPath);
    EXPECT_EQ(run("output 5 on").exitCode, 0);

    const std::pair<std::uint32_t, const char*> refusals[] = {{0x0A, "REJECTED"}, {0x08, "NOT IMPLEMENTED"}};
    for (const auto& [code, name] : refusals) {
        ASSERT_TRUE(admin.admin(driverprotocol::AdminCommand::AvcResponse, code));
        const ProgramRun run = this->run("headphone 4");
        EXPECT_EQ(run.exitCode, 3) << name;
        EXPECT_NE(run.errorOutput.find(std::string("the unit answered ") + name), std::string::npos) << run.errorOutput;
    }
}

TEST_F(TessaryctlProgram, EndsWithinItsTimeLimitWhateverTheDriverDoes)
{
    testing_support::DaemonProcess daemon(TESSARY_SIMDRIVER_PATH, socketPath);
    ASSERT_TRUE(daemon.answers());
    win32::DriverSocketClient admin(socketPath);
    ASSERT_TRUE(admin.admin(driverprotocol::AdminCommand::AsyncCode, 0, 600000)); // completes in ten minutes
    ProgramRun run = this->run("--timeout 1 route 2");
    EXPECT_EQ(run.exitCode, 4) << "a pending request";
    EXPECT_NE(run.errorOutput.find("no answer from the driver within 1 s"), std::string::npos) << run.errorOutput;
    EXPECT_LT(run.took, std::chrono::seconds(5));

    ASSERT_TRUE(admin.admin(driverprotocol::AdminCommand::ClearFaults));
    daemon.freeze();
    run = this->run("--timeout 1 route 3");
    EXPECT_EQ(run.exitCode, 4) << "a frozen daemon";
    EXPECT_LT(run.took, std::chrono::seconds(5));
    daemon.thaw();
    const auto status = admin.admin(driverprotocol::AdminCommand::Status, 1);
    ASSERT_TRUE(status);
    // Route 2 was taken before its completion stalled; route 3 never was, and is dropped.
    EXPECT_NE(status->text.find("\"6\":2}"), std::string::npos) << status->text;
}

} // namespace
