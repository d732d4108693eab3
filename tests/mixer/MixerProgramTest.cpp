// The TessaryMixer program on the X display the tests run on: its window, the
// panels seen on screen, one instance per user, ending by the close button or
// by a signal, and a user's work kept across starts and in mix files.
#include "MessageLoop.h"
#include "MixFile.h"
#include "MixFileFormat.h"

#include <Artwork.h>

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

#ifdef TESSARY_MIXER_PROGRAM
const char* const mixerProgram = TESSARY_MIXER_PROGRAM;
#else
const char* const mixerProgram = nullptr;
#endif
#ifdef TESSARY_SIMDRIVER_PROGRAM
const char* const simdriverProgram = TESSARY_SIMDRIVER_PROGRAM;
#else
const char* const simdriverProgram = nullptr;
#endif

const juce::String windowTitle = "Brelmor/Halvaren Ostrel Tessary Mixer";

// Output of a shell command, trailing white space removed.
std::string commandOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        ::pclose(pipe);
    }
    while (!output.empty() && std::isspace(static_cast<unsigned char>(output.back())))
        output.pop_back();
    return output;
}

// Starts a program; with a `workingFolder`, there, and found through PATH as a shell would;
// with `errors`, its stderr goes to that file.
pid_t start(const std::vector<std::string>& arguments, const std::string& workingFolder = {},
            const std::string& errors = {})
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (!workingFolder.empty())
        ::posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    if (!errors.empty())
        ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                           0600);
    const int failed = workingFolder.empty() ? ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ)
                                             : ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    return failed != 0 ? -1 : pid;
}

// The exit status of `pid` once it ends within `deadline`; -1 if it does not.
int waitForExit(pid_t pid, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

std::vector<std::string> windowsOf(pid_t pid, bool onlyVisible)
{
    const auto list = commandOutput("xdotool search --all " + std::string(onlyVisible ? "--onlyvisible " : "") +
                                    "--pid " + std::to_string(pid) + " --name 'Tessary Mixer' 2>/dev/null");
    std::vector<std::string> ids;
    for (const auto& id : juce::StringArray::fromLines(juce::String(list)))
        if (id.trim().isNotEmpty())
            ids.push_back(id.trim().toStdString());
    return ids;
}

class MixerProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (mixerProgram == nullptr)
            GTEST_SKIP() << "TessaryMixer is not built";
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X display";
        if (commandOutput("command -v xdotool").empty() || commandOutput("command -v import").empty())
            GTEST_SKIP() << "needs xdotool and ImageMagick's import";

        folder = juce::File::createTempFile("mixer-program");
        ASSERT_TRUE(folder.createDirectory());
        ::setenv("TESSARY_MIXER_INSTANCE_SOCKET", folder.getChildFile("instance.sock").getFullPathName().toRawUTF8(),
                 1);
        ::setenv("TESSARY_DRIVER_SOCKET", folder.getChildFile("driver.sock").getFullPathName().toRawUTF8(), 1);
        ::setenv("XDG_CONFIG_HOME", folder.getChildFile("config").getFullPathName().toRawUTF8(), 1);

        // The program is copied into the test's own folder, so its state file is the test's
        // (not a bin folder: an installed mixer keeps its state in the user's folder).
        installed = folder.getChildFile("program").getChildFile("TessaryMixer");
        ASSERT_TRUE(installed.getParentDirectory().createDirectory());
        if (::link(mixerProgram, installed.getFullPathName().toRawUTF8()) != 0) {
            ASSERT_TRUE(juce::File(mixerProgram).copyFileTo(installed));
        }

        if (simdriverProgram != nullptr)
            startDaemon();
    }

    void startDaemon(const char* units = "1")
    {
        daemon = start({simdriverProgram, "serve", "--units", units});
        testing_loop::pumpUntil([this] { return folder.getChildFile("driver.sock").exists(); }, 5s);
    }

    // A new simulated unit, as if the interface had been switched off and on.
    void restartDaemon()
    {
        ::kill(daemon, SIGTERM);
        waitForExit(daemon, 5s);
        folder.getChildFile("driver.sock").deleteFile();
        startDaemon();
    }

    void TearDown() override
    {
        for (pid_t pid : {mixer, daemon})
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                if (waitForExit(pid, 5s) < 0) {
                    ::kill(pid, SIGKILL); // a process left behind would hold the test run's output open
                    waitForExit(pid, 5s);
                }
            }
        ::unsetenv("TESSARY_MIXER_INSTANCE_SOCKET");
        ::unsetenv("TESSARY_DRIVER_SOCKET");
        ::unsetenv("XDG_CONFIG_HOME");
        if (HasFailure())
            std::printf("kept for inspection: %s\n", folder.getFullPathName().toRawUTF8());
        else
            folder.deleteRecursively();
    }

    // Starts the mixer and returns its window id once the window is on screen and
    // the program has finished starting (it listens for later starts last). With
    // `workingFolder`, as a shell would start it there: by name, found through PATH.
    std::string startMixer(const std::string& workingFolder = {})
    {
        mixer = workingFolder.empty() ? start({installed.getFullPathName().toStdString()}, {}, errorsFile())
                                      : start({"TessaryMixer"}, workingFolder, errorsFile());
        std::vector<std::string> windows;
        testing_loop::pumpUntil(
            [&] {
                windows = windowsOf(mixer, true);
                return !windows.empty() && folder.getChildFile("instance.sock").exists();
            },
            20s);
        return windows.size() == 1 ? windows.front() : std::string();
    }

    // What the screen shows where the window is. The whole screen is read and cut
    // down: reading one window makes ImageMagick wait for events on it.
    juce::Image screenshot(const std::string& window)
    {
        commandOutput("xdotool windowraise " + window + " 2>/dev/null");
        const auto geometry = juce::String(commandOutput("xdotool getwindowgeometry --shell " + window + " 2>&1"));
        auto value = [&](const char* key) {
            return geometry.fromFirstOccurrenceOf(juce::String(key) + "=", false, false)
                .upToFirstOccurrenceOf("\n", false, false)
                .getIntValue();
        };
        if (value("WIDTH") <= 0) {
            ADD_FAILURE() << "no geometry for window " << window << ": " << geometry;
            return {};
        }
        const auto shot = folder.getChildFile("window.png");
        shot.deleteFile();
        std::this_thread::sleep_for(100ms);
        commandOutput("import -window root -crop " + std::to_string(value("WIDTH")) + "x" +
                      std::to_string(value("HEIGHT")) + "+" + std::to_string(value("X")) + "+" +
                      std::to_string(value("Y")) + " +repage '" + shot.getFullPathName().toStdString() + "'");
        return juce::ImageFileFormat::loadFrom(shot);
    }

    // What the simulated driver's tool prints for `arguments`.
    std::string simdriver(const std::string& arguments)
    {
        return commandOutput("'" + std::string(simdriverProgram) + "' " + arguments + " 2>&1");
    }

    // Expects the mixer to end with status 0 within a generous bound (a
    // sanitizer build on a busy machine is slow to exit); kills one that does not.
    void expectMixerEnds(const std::string& how, int status = -1)
    {
        if (status < 0)
            status = waitForExit(mixer, 30s);
        EXPECT_EQ(status, 0) << how;
        if (status < 0) {
            ::kill(mixer, SIGKILL);
            waitForExit(mixer, 5s);
        }
        mixer = -1;
    }

    // Closes the window by its close button, the pointer brought to rest on it
    // first, as a user's is, and expects the mixer to end. On a display without
    // a window manager, a click that reaches a window just shown before it has
    // seen the pointer arrive can be lost on a busy machine: a second click, as
    // a user would give, then ends it (and says so).
    void expectCloseButtonEndsMixer(const std::string& window)
    {
        const std::string toButton = "mousemove --sync --window " + window + " 624 14";
        commandOutput("xdotool windowraise " + window + " " + toButton);
        std::this_thread::sleep_for(200ms);
        commandOutput("xdotool click 1");
        int status = waitForExit(mixer, 5s);
        if (status < 0) {
            std::printf("the first click on the close button was lost; clicking again\n");
            commandOutput("xdotool " + toButton + " click 1");
        }
        expectMixerEnds("ended by its close button", status);
    }

    // Where the mixer's stderr goes.
    std::string errorsFile() const { return folder.getChildFile("mixer-errors.txt").getFullPathName().toStdString(); }
    std::string mixerErrors() const { return juce::File(errorsFile()).loadFileAsString().toStdString(); }

    juce::File folder;
    juce::File installed;
    pid_t daemon = -1;
    pid_t mixer = -1;
};

// True when the block (x, y, width, height) of `image` appears at (left + x, top + y) of `screen`.
bool showsImageAt(const juce::Image& screen, int left, int top, const juce::Image& image, int x, int y, int width,
                  int height)
{
    for (int dy = 0; dy < height; ++dy)
        for (int dx = 0; dx < width; ++dx) {
            const auto seen = screen.getPixelAt(left + x + dx, top + y + dy);
            const auto drawn = image.getPixelAt(x + dx, y + dy);
            if (seen.getRed() != drawn.getRed() || seen.getGreen() != drawn.getGreen() ||
                seen.getBlue() != drawn.getBlue())
                return false;
        }
    return true;
}

// True when every fully opaque pixel of `image` shows at (left, top) of `screen`.
bool showsOpaqueImageAt(const juce::Image& screen, int left, int top, const juce::Image& image)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x) {
            const auto drawn = image.getPixelAt(x, y);
            if (drawn.getAlpha() < 255)
                continue;
            const auto seen = screen.getPixelAt(left + x, top + y);
            if (seen.getRed() != drawn.getRed() || seen.getGreen() != drawn.getGreen() ||
                seen.getBlue() != drawn.getBlue())
                return false;
        }
    return true;
}

TEST_F(MixerProgramTest, ShowsTheWindowWithThePanelsInPlace)
{
    const auto window = startMixer();
    ASSERT_FALSE(window.empty()) << "no mixer window appeared";
    EXPECT_EQ(juce::String(commandOutput("xdotool getwindowname " + window)), windowTitle);

    // The panels sit in the content area, below the title bar and inside the 1-pixel frame.
    const int left = 1, top = 27;
    const juce::Image strip = Artwork::get("strip_panel.png");
    const juce::Image playback = Artwork::get("playback_panel.png");
    const juce::Image output = Artwork::get("output_panel.png");
    // Columns at each panel's left edge that no control covers.
    auto panelsInPlace = [&](const juce::Image& screen) {
        std::vector<std::string> misplaced;
        for (int x : {0, 72, 144, 216, 288, 360})
            if (!showsImageAt(screen, left + x, top, strip, 0, 40, 5, 140))
                misplaced.push_back("strip panel at x " + std::to_string(x));
        if (!showsImageAt(screen, left + 432, top, playback, 0, 40, 5, 140))
            misplaced.push_back("playback panel");
        if (!showsImageAt(screen, left + 504, top, output, 0, 40, 5, 140))
            misplaced.push_back("output panel");
        return misplaced;
    };

    // The pointer may rest where a control lights up under it.
    commandOutput("xdotool mousemove 0 0");
    // Other test programs may put windows on the same display: raise ours and look
    // again if something was in the way.
    juce::Image screen;
    std::vector<std::string> misplaced{"no screenshot"};
    for (int attempt = 0; attempt < 10 && !misplaced.empty(); ++attempt) {
        std::this_thread::sleep_for(500ms);
        screen = screenshot(window);
        misplaced = screen.isValid() ? panelsInPlace(screen) : std::vector<std::string>{"no screenshot"};
    }
    ASSERT_TRUE(screen.isValid());
    EXPECT_EQ(screen.getWidth(), 641);
    EXPECT_EQ(screen.getHeight(), 448);
    for (const auto& problem : misplaced)
        ADD_FAILURE() << problem;
    EXPECT_FALSE(showsImageAt(screen, left + 1, top, strip, 0, 40, 5, 140)) << "the check tells positions apart";

    // The skin's title bar buttons, whole and level with each other.
    EXPECT_TRUE(showsOpaqueImageAt(screen, 584, 3, Artwork::get("minimise_normal.png")));
    EXPECT_TRUE(showsOpaqueImageAt(screen, 612, 3, Artwork::get("close_normal.png")));
    EXPECT_FALSE(showsOpaqueImageAt(screen, 612, 1, Artwork::get("close_normal.png")));
}

TEST_F(MixerProgramTest, ASecondStartBringsBackTheRunningWindow)
{
    const auto window = startMixer();
    ASSERT_FALSE(window.empty());

    // An iconified window is unmapped; without a window manager unmapping is all there is.
    commandOutput("xdotool windowunmap --sync " + window);
    ASSERT_TRUE(windowsOf(mixer, true).empty());

    const pid_t second = start({installed.getFullPathName().toStdString()});
    EXPECT_EQ(waitForExit(second, 10s), 0) << "the second start hands over and ends";
    EXPECT_TRUE(testing_loop::pumpUntil([&] { return windowsOf(mixer, true).size() == 1; }, 5s))
        << "the running window is back on screen";
    EXPECT_EQ(windowsOf(mixer, false).size(), 1u);
    EXPECT_EQ(waitForExit(mixer, 0ms), -1) << "the first instance keeps running";
}

TEST_F(MixerProgramTest, ClosingTheWindowEndsTheProgram)
{
    const auto window = startMixer();
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(300ms);

    // The close button sits at the right end of the title bar.
    expectCloseButtonEndsMixer(window);
}

// Mic 1's fader, in window coordinates: the panel sits at (0, 30), the fader
// at (25, 21) of the first strip, 22 x 170, its track from 153 (level 0) up
// to 23 (level 255) with a skew of 5.5.
constexpr int faderX = 25, faderY = 51;
constexpr int trackBottom = 153, trackLength = 130;
constexpr double faderSkew = 5.5;

// The level a drag to window height `y` gives.
int levelAtY(int y)
{
    const double r = juce::jlimit(0.0, 1.0, (trackBottom - (y - faderY)) / double(trackLength));
    return static_cast<int>(std::floor(255.0 * std::pow(r, 1.0 / faderSkew) + 0.5));
}

// Top edge of the fader cap, in window coordinates, for `level`.
int capTopFor(int level)
{
    const double p = level / 255.0;
    return faderY + static_cast<int>(trackBottom - trackLength * std::pow(p, faderSkew)) - 19;
}

// The volume word a level is sent as: (level >> 1) - 128 in the high byte.
int encoded(int level)
{
    return (((level >> 1) - 128) & 0xFF) << 8;
}

TEST_F(MixerProgramTest, DraggingAFaderSetsTheUnitAndTheWindowShowsIt)
{
    if (simdriverProgram == nullptr)
        GTEST_SKIP() << "tessary-simdriver is not built";
    const auto window = startMixer();
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(500ms);

    // Volume words of Mic 1 (feature FB 5, audio channel 1) the unit has received.
    auto mic1Words = [&] {
        std::vector<int> words;
        for (const auto& line : juce::StringArray::fromLines(juce::String(simdriver("log")))) {
            const auto bytes =
                juce::StringArray::fromTokens(line.fromFirstOccurrenceOf("->", false, false).trim(), true);
            // status, then 00 08 B8 81 05 10 02 01 02 02 hh ll
            if (bytes.size() == 13 && bytes.joinIntoString(" ", 1, 10) == "00 08 B8 81 05 10 02 01 02 02")
                words.push_back(bytes[11].getHexValue32() << 8 | bytes[12].getHexValue32());
        }
        return words;
    };
    auto xdotool = [&](const std::string& commands) { commandOutput("xdotool " + commands); };
    auto at = [&](int y) { return "mousemove --window " + window + " 36 " + std::to_string(y) + " "; };

    commandOutput("xdotool windowraise " + window);
    const auto before = mic1Words().size();
    xdotool(at(faderY + 23));
    std::this_thread::sleep_for(100ms);
    xdotool("mousedown 1");

    // A slow drag: every step is followed by a pause longer than 10 ms.
    const int steps = 6;
    int y = faderY + 23;
    for (int step = 0; step < steps; ++step) {
        y += 9;
        xdotool(at(y));
        std::this_thread::sleep_for(60ms);
    }
    std::this_thread::sleep_for(100ms);
    auto words = mic1Words();
    const auto slow = words.size() - before;
    EXPECT_GE(slow, steps - 1u) << "one command per pause";
    EXPECT_LE(slow, size_t(steps)) << "and no more";
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.back(), encoded(levelAtY(y)));

    // A continuous drag of about a second, up and down the fader, a move every 4 ms.
    std::string moves;
    int moveCount = 0;
    for (int t = 0; t < 240; ++t, ++moveCount) {
        y = faderY + 105 + static_cast<int>(45 * std::sin(t * 0.05));
        moves += at(y) + "sleep 0.004 ";
    }
    const auto beforeContinuous = words.size();
    const auto dragStart = std::chrono::steady_clock::now();
    xdotool(moves);
    const auto dragMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - dragStart).count();
    std::this_thread::sleep_for(150ms);
    xdotool("mouseup 1");
    std::this_thread::sleep_for(150ms);
    words = mic1Words();
    const auto continuous = words.size() - beforeContinuous;
    std::printf("continuous drag: %d pointer moves in %lld ms, %zu commands, final level %d\n", moveCount,
                static_cast<long long>(dragMs), continuous, levelAtY(y));
    EXPECT_GE(continuous, 1u) << "the final value arrives";
    EXPECT_LT(continuous, size_t(moveCount / 4)) << "a command per pause, not per move";
    const int finalLevel = levelAtY(y);
    EXPECT_EQ(words.back(), encoded(finalLevel)) << "the final value";

    // The unit's state as the tool reports it...
    const auto status = juce::JSON::parse(juce::String(simdriver("status --json")));
    const auto unitVolume = status["units"][0]["volume"]["5"][1];
    EXPECT_EQ(static_cast<int>(unitVolume), words.back());

    // ... is what the window shows: the fader cap where that level puts it.
    const auto screen = screenshot(window);
    ASSERT_TRUE(screen.isValid());
    const auto cap = Artwork::get("fader_cap.png");
    int capTop = -1;
    for (int top = faderY - 19; top < faderY + 170 && capTop < 0; ++top)
        if (showsOpaqueImageAt(screen, faderX, top, cap))
            capTop = top;
    ASSERT_GE(capTop, 0) << "no fader cap in the Mic 1 strip";
    EXPECT_TRUE(capTop == capTopFor(finalLevel) || capTop == capTopFor(finalLevel ^ 1))
        << "cap at " << capTop << ", the unit holds level " << finalLevel;
}

// Window coordinates of the controls the user works with below.
constexpr int mic2MuteX = 72 + 32 + 19, muteY = 30 + 212 + 15;
constexpr int mic1MuteX = 32 + 19;
constexpr int saveX = 583 + 24, saveY = 30 + 350 + 11, loadY = 30 + 383 + 11;

// How the mixer is ended: by its close button (0) or by a signal.
using Ending = int;
constexpr Ending closeButton = 0;

std::string nameOf(const ::testing::TestParamInfo<Ending>& info)
{
    switch (info.param) {
    case closeButton:
        return "CloseButton";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "SIGINT";
    }
}

class MixerSessionTest : public MixerProgramTest, public ::testing::WithParamInterface<Ending>
{
protected:
    void SetUp() override
    {
        MixerProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (simdriverProgram == nullptr)
            GTEST_SKIP() << "tessary-simdriver is not built";
    }

    void xdotool(const std::string& commands) { commandOutput("xdotool " + commands); }

    void clickAt(const std::string& window, int x, int y)
    {
        xdotool("windowraise " + window + " mousemove --sync --window " + window + " " + std::to_string(x) + " " +
                std::to_string(y) + " click 1");
        std::this_thread::sleep_for(150ms);
    }

    // Drags Mic 1's fader down from near the top to window height `y`, slowly.
    void dragMic1FaderTo(const std::string& window, int y)
    {
        auto at = [&](int height) {
            return "mousemove --sync --window " + window + " 36 " + std::to_string(height) + " ";
        };
        xdotool("windowraise " + window + " " + at(faderY + 23) + "mousedown 1");
        for (int height = faderY + 23; height < y; height = std::min(y, height + 9)) {
            xdotool(at(std::min(y, height + 9)));
            std::this_thread::sleep_for(30ms);
        }
        std::this_thread::sleep_for(60ms);
        xdotool("mouseup 1");
        std::this_thread::sleep_for(100ms);
    }

    // The id of the window titled `title`, once it shows or while it does.
    std::string windowTitled(const std::string& title, bool shown = true)
    {
        std::string id;
        testing_loop::pumpUntil(
            [&] {
                id = commandOutput("xdotool search --onlyvisible --name '" + title + "' 2>/dev/null | head -n1");
                return id.empty() != shown;
            },
            10s);
        return id;
    }

    // Types `name` into the open file dialog's name box, along its bottom, and presses Return.
    void answerFileDialog(const std::string& title, const std::string& name)
    {
        const auto dialog = windowTitled(title);
        ASSERT_FALSE(dialog.empty()) << "no dialog \"" << title << "\"";
        const auto geometry = juce::String(commandOutput("xdotool getwindowgeometry " + dialog));
        const auto size = geometry.fromFirstOccurrenceOf("Geometry: ", false, false);
        clickAt(dialog, size.getIntValue() / 2 + 30, size.fromFirstOccurrenceOf("x", false, false).getIntValue() - 63);
        xdotool("type --delay 20 '" + name + "'"); // takes every word after it as text
        xdotool("key Return");
        windowTitled(title, false);
        std::this_thread::sleep_for(200ms);
    }

    void endMixer(const std::string& window, Ending ending)
    {
        if (ending == closeButton)
            return expectCloseButtonEndsMixer(window);
        ::kill(mixer, ending);
        expectMixerEnds(std::string("ended by ") + strsignal(ending));
    }

    // Volume word of (function block, audio channel) as the simulated unit holds it.
    int unitVolume(int block, int channel)
    {
        const auto status = juce::JSON::parse(juce::String(simdriver("status --json")));
        return static_cast<int>(status["units"][0]["volume"][juce::Identifier(juce::String(block))][channel]);
    }

    MixProperties stateFile() const
    {
        return MixFile::open(installed.withFileExtension("poo").getFullPathName().toStdString()).properties;
    }
};

TEST_P(MixerSessionTest, KeepsTheUsersWorkAcrossStartsAndInMixFiles)
{
    const Ending ending = GetParam();
    // Started by name from another folder, as from a terminal: the state still
    // lives beside the program.
    const auto elsewhere = folder.getChildFile("elsewhere");
    ASSERT_TRUE(elsewhere.createDirectory());
    const std::string earlierPath = std::getenv("PATH");
    ::setenv("PATH", (installed.getParentDirectory().getFullPathName().toStdString() + ":" + earlierPath).c_str(), 1);
    auto window = startMixer(elsewhere.getFullPathName().toStdString());
    ::setenv("PATH", earlierPath.c_str(), 1);
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(500ms);

    clickAt(window, mic2MuteX, muteY);
    const int faderTo = faderY + 60;
    dragMic1FaderTo(window, faderTo);
    const int level = levelAtY(faderTo);
    ASSERT_EQ(unitVolume(5, 2), 0x8000) << "Mic 2 muted";
    ASSERT_EQ(unitVolume(5, 1), encoded(level));
    endMixer(window, ending);

    const auto state = stateFile();
    EXPECT_EQ(state.pairs().size(), 43u);
    EXPECT_EQ(state.getInt("Mute1", -1), 1);
    EXPECT_EQ(state.getInt("Fader L0", -1), level);
    EXPECT_FALSE(elsewhere.getChildFile("TessaryMixer.poo").exists()) << "not in the working folder";

    // The interface was switched off meanwhile; the next start gives it the same state.
    restartDaemon();
    ASSERT_NE(unitVolume(5, 2), 0x8000);
    window = startMixer();
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(unitVolume(5, 2), 0x8000);
    EXPECT_EQ(unitVolume(5, 1), encoded(level));
    commandOutput("xdotool mousemove 0 0");
    const auto screen = screenshot(window);
    ASSERT_TRUE(screen.isValid());
    EXPECT_TRUE(showsOpaqueImageAt(screen, mic2MuteX - 19, muteY - 15, Artwork::get("mute_on.png")))
        << "the window shows Mic 2 muted";
    EXPECT_TRUE(showsOpaqueImageAt(screen, 538, 242, Artwork::get("master_mute_on.png"))) << "and MasterMute lit";
    if (auto out = folder.getChildFile("restored.png").createOutputStream())
        juce::PNGImageFormat().writeImageToStream(screen, *out); // kept with the folder when a check fails

    // Save a mix, change things, load it back.
    clickAt(window, saveX, saveY);
    answerFileDialog("Please select the Mix file you want to save...", "live.txt");
    const auto mix = folder.getChildFile("config/Quillex Mixer/live.pmx");
    ASSERT_TRUE(mix.existsAsFile());
    clickAt(window, mic2MuteX, muteY);
    clickAt(window, mic1MuteX, muteY);
    EXPECT_EQ(unitVolume(5, 2), 0xFF00);
    EXPECT_EQ(unitVolume(5, 1), 0x8000);
    clickAt(window, saveX, loadY);
    answerFileDialog("Please select the Mix file you want to load...", "live.pmx");
    EXPECT_EQ(unitVolume(5, 2), 0x8000) << "back as saved";
    EXPECT_EQ(unitVolume(5, 1), encoded(level));

    endMixer(window, ending);
    EXPECT_EQ(stateFile().getInt("Mute0", -1), 0);
    EXPECT_EQ(stateFile().getInt("Mute1", -1), 1);
}

INSTANTIATE_TEST_SUITE_P(EndedBy, MixerSessionTest, ::testing::Values(closeButton, SIGTERM, SIGHUP), nameOf);

class MixerSignalTest : public MixerSessionTest
{
};

TEST_P(MixerSignalTest, ASignalWhileAFileDialogIsOpenEndsTheProgramCleanly)
{
    const auto window = startMixer();
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(500ms);
    clickAt(window, mic1MuteX, muteY);
    clickAt(window, saveX, saveY);
    ASSERT_FALSE(windowTitled("Please select the Mix file you want to save...").empty());

    const auto unitBefore = simdriver("status --json");
    endMixer(window, GetParam());
    EXPECT_EQ(stateFile().getInt("Mute0", -1), 1) << "the state is written";
    EXPECT_EQ(simdriver("status --json"), unitBefore) << "and the unit left as it was";
    EXPECT_EQ(installed.getParentDirectory().getNumberOfChildFiles(juce::File::findFiles, "*"), 2)
        << "the program and its state file, nothing half-written";
}

INSTANTIATE_TEST_SUITE_P(EndedBy, MixerSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP), nameOf);

// The mixer's life beyond the window: bad files, a display that goes or was
// never there, and a unit that comes and goes.
class MixerLifeTest : public MixerSessionTest
{
protected:
    // The pointer goes back to the corner: left on a close button, it would
    // light the button of the next test's window on the same display.
    void TearDown() override
    {
        commandOutput("xdotool mousemove 0 0");
        MixerSessionTest::TearDown();
    }

    // The AV/C frames and opens the mixer has sent the unit, as the tool's log lines.
    std::vector<std::string> mixerRequests()
    {
        std::vector<std::string> lines;
        for (const auto& line : juce::StringArray::fromLines(juce::String(simdriver("log"))))
            if (line.startsWith("TessaryMixer"))
                lines.push_back(line.toStdString());
        return lines;
    }

    void writeStateFile(const std::string& bytes)
    {
        ASSERT_TRUE(installed.withFileExtension("poo").replaceWithData(bytes.data(), bytes.size()));
    }
};

std::string propFile(const std::vector<MixProperties::Pair>& pairs, const std::string& more = {},
                     std::uint32_t moreCount = 0)
{
    MixProperties properties;
    for (const auto& [key, value] : pairs)
        properties.set(key, value);
    auto bytes = mixfile::serialise(properties);
    const std::uint32_t count = static_cast<std::uint32_t>(pairs.size()) + moreCount;
    for (int shift = 0; shift < 32; shift += 8)
        bytes[static_cast<size_t>(4 + shift / 8)] = static_cast<char>((count >> shift) & 0xFF);
    return bytes + more;
}

TEST_F(MixerLifeTest, BadMixFilesLeaveTheMixerAsItWasAndFailedSavesSayWhy)
{
    const auto mixes = folder.getChildFile("config/Quillex Mixer");
    ASSERT_TRUE(mixes.createDirectory());
    ASSERT_TRUE(mixes.getChildFile("empty.pmx").create());
    ASSERT_TRUE(mixes.getChildFile("live.pmx").getChildFile("inside").create()); // a folder where the file would go
    const auto window = startMixer();
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(500ms);
    clickAt(window, mic2MuteX, muteY);
    ASSERT_EQ(unitVolume(5, 2), 0x8000);

    clickAt(window, saveX, loadY);
    answerFileDialog("Please select the Mix file you want to load...", "empty.pmx");
    EXPECT_EQ(unitVolume(5, 2), 0x8000) << "Mic 2 still muted";
    clickAt(window, saveX, saveY);
    answerFileDialog("Please select the Mix file you want to save...", "live");
    EXPECT_TRUE(mixes.getChildFile("live.pmx").getChildFile("inside").existsAsFile());

    endMixer(window, closeButton);
    EXPECT_EQ(stateFile().getInt("Mute1", -1), 1) << "the state holds the mix from before the bad load";
    const auto errors = mixerErrors();
    EXPECT_NE(errors.find(mixes.getChildFile("empty.pmx").getFullPathName().toStdString() +
                          " was not loaded: the file is empty"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("could not be saved to " + mixes.getChildFile("live.pmx").getFullPathName().toStdString() +
                          ": Is a directory"),
              std::string::npos)
        << errors;
}

TEST_F(MixerLifeTest, AStateFileOfManyKeysStartsAtOnceAndALinkedPairComesBackAsSaved)
{
    // A linked pair whose faders differ, then a mebibyte of keys of no one's.
    std::string more;
    std::uint32_t moreCount = 0;
    while (more.size() < 1024 * 1024 - 64) {
        more += "k" + std::to_string(moreCount++);
        more.push_back('\0');
        more += "1";
        more.push_back('\0');
    }
    writeStateFile(propFile({{"Link0", "1"}, {"Fader L0", "90"}, {"Fader R0", "200"}}, more, moreCount));
    const auto started = std::chrono::steady_clock::now();
    const auto window = startMixer();
    ASSERT_FALSE(window.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << "the window comes up at once";
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(unitVolume(5, 1), encoded(90));
    EXPECT_EQ(unitVolume(5, 2), encoded(200));

    endMixer(window, closeButton);
    const auto state = MixFile::open(installed.withFileExtension("poo").getFullPathName().toStdString());
    EXPECT_EQ(state.getState(), MixFile::State::Read) << "what the mixer writes, it reads whole";
    EXPECT_EQ(state.properties.getInt("Fader L0", -1), 90);
    EXPECT_EQ(state.properties.getInt("Fader R0", -1), 200);
    EXPECT_EQ(state.properties.getInt("Link0", -1), 1);
}

TEST_F(MixerLifeTest, WithoutADisplayItSaysSoAndTouchesNeitherTheUnitNorTheState)
{
    const auto stateBytes = propFile({{"Mute0", "1"}, {"Fader L0", "12"}});
    for (const char* display : {"", ":97"}) {
        writeStateFile(stateBytes);
        const auto before = mixerRequests();
        const auto answer =
            commandOutput((std::string(*display == '\0' ? "env -u DISPLAY" : "env DISPLAY=") + display + " '" +
                           installed.getFullPathName().toStdString() + "' 2>&1; echo \"status $?\""));
        EXPECT_NE(answer.find("display"), std::string::npos) << display << ": " << answer;
        EXPECT_EQ(answer.substr(answer.rfind("status ")), "status 1") << display << ": " << answer;
        EXPECT_EQ(mixerRequests(), before) << display << ": the unit was not touched";
        juce::MemoryBlock bytes;
        installed.withFileExtension("poo").loadFileAsData(bytes);
        EXPECT_EQ(std::string(static_cast<const char*>(bytes.getData()), bytes.getSize()), stateBytes)
            << display << ": the state file is as it was";
        EXPECT_EQ(installed.getParentDirectory().getNumberOfChildFiles(juce::File::findFiles, "*"), 2) << display;
    }
}

TEST_F(MixerLifeTest, LosingTheDisplayKeepsTheStateAndLeavesTheUnit)
{
    // A display of the test's own, to take away under the mixer.
    if (commandOutput("command -v Xvfb").empty())
        GTEST_SKIP() << "needs Xvfb";
    const auto displayNumber = folder.getChildFile("display-number");
    const pid_t server = start({"/bin/sh", "-c",
                                "exec Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>'" +
                                    displayNumber.getFullPathName().toStdString() + "'"});
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return displayNumber.loadFileAsString().trim().isNotEmpty(); }, 10s));
    const std::string display = ":" + displayNumber.loadFileAsString().trim().toStdString();
    const std::string earlier = std::getenv("DISPLAY");
    ::setenv("DISPLAY", display.c_str(), 1);
    mixer = start({installed.getFullPathName().toStdString()}, {}, errorsFile());
    ::setenv("DISPLAY", earlier.c_str(), 1);

    const std::string onDisplay = "DISPLAY=" + display + " xdotool ";
    std::string window;
    testing_loop::pumpUntil(
        [&] {
            window = commandOutput(onDisplay + "search --onlyvisible --pid " + std::to_string(mixer) +
                                   " --name 'Tessary Mixer' 2>/dev/null | head -n1");
            return !window.empty() && folder.getChildFile("instance.sock").exists();
        },
        20s);
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(500ms);
    commandOutput(onDisplay + "mousemove --sync --window " + window + " " + std::to_string(mic2MuteX) + " " +
                  std::to_string(muteY) + " click 1");
    ASSERT_TRUE(testing_loop::pumpUntil([&] { return unitVolume(5, 2) == 0x8000; }, 3s)) << "Mic 2 muted";
    const auto unitBefore = simdriver("status --json");

    ::kill(server, SIGKILL);
    waitForExit(server, 5s);
    expectMixerEnds("ended as closing its window does");
    EXPECT_EQ(stateFile().getInt("Mute1", -1), 1) << "the state holds the last change";
    EXPECT_EQ(simdriver("status --json"), unitBefore) << "and the unit is as it was";
}

TEST_F(MixerLifeTest, FollowsTheUnitWhenItIsPluggedInLaterAndAfterARePlug)
{
    // A new user: the mixer started before the interface was switched on.
    ::kill(daemon, SIGTERM);
    waitForExit(daemon, 5s);
    folder.getChildFile("driver.sock").deleteFile();
    startDaemon("0");
    const auto window = startMixer();
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(500ms);
    const int faderTo = faderY + 60;
    dragMic1FaderTo(window, faderTo);
    clickAt(window, mic2MuteX, muteY);

    simdriver("plug");
    EXPECT_TRUE(testing_loop::pumpUntil(
        [&] { return unitVolume(5, 1) == encoded(levelAtY(faderTo)) && unitVolume(5, 2) == 0x8000; }, 3s))
        << simdriver("status");

    simdriver("unplug");
    std::this_thread::sleep_for(200ms);
    const int movedTo = faderY + 90;
    dragMic1FaderTo(window, movedTo);
    ASSERT_NE(levelAtY(movedTo), levelAtY(faderTo));
    simdriver("plug");
    EXPECT_TRUE(testing_loop::pumpUntil(
        [&] { return unitVolume(5, 1) == encoded(levelAtY(movedTo)) && unitVolume(5, 2) == 0x8000; }, 3s))
        << simdriver("status");
    endMixer(window, closeButton);
}

} // namespace
