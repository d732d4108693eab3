// The mixer's whole state through its files: the state file read when the
// panel is built and written when it goes, and mixes saved and loaded through
// the file dialog, checked byte for byte and against what reaches the unit.
#include "MessageLoop.h"
#include "MixFile.h"
#include "MixFileFormat.h"
#include "MixerPanel.h"
#include "MixerTestFolder.h"
#include "StderrCapture.h"

#include <SimDriver.h>
#include <StatusReport.h>
#include <win32/StandIn.h>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <sys/resource.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

std::string bytesOf(const juce::File& file)
{
    juce::MemoryBlock data;
    file.loadFileAsData(data);
    return std::string(static_cast<const char*>(data.getData()), data.getSize());
}

std::string propBytes(const std::vector<MixProperties::Pair>& pairs)
{
    MixProperties properties;
    for (const auto& [key, value] : pairs)
        properties.set(key, value);
    return mixfile::serialise(properties);
}

// All the pairs the mixer writes, in order: levels at `level`, the playback and
// output pans at `widePan`, every other value "0" or "127" for the pair pans,
// then the `changed` ones.
std::vector<MixProperties::Pair> mixerPairs(const std::string& level, const std::string& widePan,
                                            const std::vector<std::string>& labels,
                                            const std::map<std::string, std::string>& changed)
{
    std::vector<MixProperties::Pair> pairs;
    for (int i = 0; i < 7; ++i)
        for (const auto& [word, value] :
             {std::pair<std::string, std::string>{"Mute", "0"}, {"Solo", "0"}, {"TRKlabel", labels[i]}})
            pairs.emplace_back(word + std::to_string(i), value);
    for (int d = 0; d < 3; ++d)
        for (const auto& [word, value] : {std::pair<std::string, std::string>{"Fader L", level},
                                          {"Fader R", level},
                                          {"Panner L", "127"},
                                          {"Panner R", "127"},
                                          {"Link", "0"}})
            pairs.emplace_back(word + std::to_string(d), value);
    pairs.insert(pairs.end(), {{"PBslider", level},
                               {"PBPan", widePan},
                               {"PBswitch", "0"},
                               {"OutSwitch", "5"},
                               {"HPswitch", "0"},
                               {"OutSlider", level},
                               {"OutPanner", widePan}});
    for (auto& pair : pairs)
        if (changed.count(pair.first) != 0)
            pair.second = changed.at(pair.first);
    return pairs;
}

// Counts how often a file of a folder is written or renamed into place.
class FolderWatch
{
public:
    explicit FolderWatch(const juce::File& folder) : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(fd, folder.getFullPathName().toRawUTF8(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~FolderWatch() { ::close(fd); }

    int writesOf(const std::string& name)
    {
        int writes = 0;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + n;
                 at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
                writes += name == reinterpret_cast<inotify_event*>(at)->name;
        return writes;
    }

private:
    int fd;
};

class MixerStateTest : public ::testing::Test
{
protected:
    void build()
    {
        panel = std::make_unique<MixerPanel>(72, folder.program());
        testing_loop::pumpFor(60ms);
    }

    // What the unit holds: mixer values, clock, buffer and CPU level.
    std::string unitState() const { return sim::statusJson(*driver); }

    MixerTestFolder folder;
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend backend{driver};
    std::unique_ptr<MixerPanel> panel;
};

TEST_F(MixerStateTest, ANewStateFileHoldsTheMixerInOrderAndBringsItBack)
{
    build();
    panel->getMuteSwitch(1).setOn();
    testing_loop::pumpFor(20ms);
    panel->getSoloSwitch(4).setOn();
    panel->getPair(0).setLeftFader(200);
    panel->getPair(2).setLink(true);
    panel->getPlaybackRoute().setChoice(2);
    testing_loop::pumpFor(60ms);
    const auto unitBefore = unitState();

    FolderWatch watch(folder.path());
    panel.reset();
    EXPECT_EQ(watch.writesOf("TessaryMixer.poo"), 1) << "written once, whole";

    const auto expected =
        mixerPairs("255", "255", {"Mic 1", "Mic 2", "Line 3", "Line 4", "Spdif L", "Spdif R", "Software"},
                   {{"Mute1", "1"}, // the mutes from before the solo
                    {"Solo4", "1"},
                    {"Fader L0", "200"},
                    {"Link2", "1"},
                    {"PBswitch", "2"}});
    EXPECT_EQ(bytesOf(folder.stateFile()), propBytes(expected));

    // A new start on a unit that lost everything brings it back to the same state.
    driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend freshUnit{driver};
    build();
    testing_loop::pumpFor(60ms);
    EXPECT_EQ(unitState(), unitBefore);
    EXPECT_TRUE(panel->isSoloActive());
    EXPECT_TRUE(panel->getSavedMute(1));
    EXPECT_FALSE(panel->getSavedMute(0));
    panel.reset();
}

TEST_F(MixerStateTest, MissingKeysGiveTheirDefaultsInEitherForm)
{
    const auto body = propBytes({{"OutSwitch", "2"}, {"Fader L0", "253.9"}});
    juce::MemoryOutputStream zlib;
    juce::GZIPCompressorOutputStream(zlib).write(body.data() + 4, body.size() - 4);
    const std::string forms[] = {body,
                                 "CPRP" + std::string(static_cast<const char*>(zlib.getData()), zlib.getDataSize())};
    // The pans of playback and output come back at 127 too, not at their centre 255.
    const auto defaults =
        propBytes(mixerPairs("228", "127", std::vector<std::string>(7), {{"OutSwitch", "2"}, {"Fader L0", "253"}}));
    for (const auto& bytes : forms) {
        ASSERT_TRUE(folder.stateFile().replaceWithData(bytes.data(), bytes.size()));
        build();
        MixProperties shown;
        panel->captureState(shown);
        EXPECT_EQ(mixfile::serialise(shown), defaults) << bytes.substr(0, 4);
        panel.reset();
    }
}

TEST_F(MixerStateTest, BadStateFilesNeverStopTheMixerNorGetLost)
{
    juce::Random random(14);
    std::string noise(3000, '\0');
    for (auto& byte : noise)
        byte = static_cast<char>(random.nextInt(256));
    const auto whole = propBytes({{"TRKlabel0", "Bass"}, {"Mute2", "1"}, {"OutSwitch", "1"}});
    const std::string fifo = "(a FIFO)";
    struct Case
    {
        const char* what;
        std::string bytes;
        bool keptAside;
        const char* firstLabel;
    };
    const Case cases[] = {
        {"cut off", whole.substr(0, 30), true, "Bass"},
        {"a count of four thousand million", "PROP\xFF\xFF\xFF\xFF" + whole.substr(8), true, "Bass"},
        {"8-bit text", propBytes({{"TRKlabel0", "\xC4nne"}}), false, "\xC3\x84nne"},
        {"random bytes", noise, true, ""},
        {"empty", "", false, ""},
        {"a FIFO, which no one writes", fifo, true, ""},
    };
    const auto aside = folder.path().getChildFile("TessaryMixer.poo.unreadable");
    for (const auto& c : cases) {
        folder.stateFile().deleteFile();
        if (c.bytes == fifo) {
            ASSERT_EQ(::mkfifo(folder.stateFile().getFullPathName().toRawUTF8(), 0600), 0);
        } else {
            juce::FileOutputStream(folder.stateFile()).write(c.bytes.data(), c.bytes.size());
        }
        build();
        EXPECT_EQ(panel->getChannelLabel(0).getText(), juce::String::fromUTF8(c.firstLabel)) << c.what;
        panel.reset();

        EXPECT_EQ(MixFile::open(folder.stateFile().getFullPathName().toStdString()).getState(), MixFile::State::Read)
            << c.what << ": a whole new file";
        EXPECT_EQ(aside.exists(), c.keptAside) << c.what;
        if (c.keptAside && c.bytes != fifo) {
            EXPECT_EQ(bytesOf(aside), c.bytes) << c.what << ": the old one kept as it was";
        }
        aside.deleteFile();
        EXPECT_EQ(folder.path().getNumberOfChildFiles(juce::File::findFiles, ".*"), 0) << "no temporary file";
    }
}

// The volume word a level is sent as: (level >> 1) - 128 in the high byte.
int volumeWord(int level)
{
    return (((level >> 1) - 128) & 0xFF) << 8;
}

TEST_F(MixerStateTest, APairComesBackExactlyAsSavedWithLinkOnOrOff)
{
    struct Case
    {
        const char* what;
        std::vector<MixProperties::Pair> pairs;
        int pair, left, right;
        bool link;
    };
    const Case cases[] = {
        {"Link on, the faders apart", {{"Link0", "1"}, {"Fader L0", "90"}, {"Fader R0", "200"}}, 0, 90, 200, true},
        {"Link on, the left one higher", {{"Link2", "1"}, {"Fader L2", "250"}, {"Fader R2", "3"}}, 2, 250, 3, true},
        {"Link off", {{"Fader L1", "17"}, {"Fader R1", "180"}}, 1, 17, 180, false},
    };
    for (const auto& c : cases) {
        const auto bytes = propBytes(c.pairs);
        ASSERT_TRUE(folder.stateFile().replaceWithData(bytes.data(), bytes.size()));
        build(); // runs past the Link follower's delay
        auto& pair = panel->getPair(c.pair);
        EXPECT_EQ(pair.getLeftFader(), c.left) << c.what;
        EXPECT_EQ(pair.getRightFader(), c.right) << c.what;
        EXPECT_EQ(pair.getLink(), c.link) << c.what;
        const auto volumes = driver->unit(0).volume.at(5 + c.pair);
        EXPECT_EQ(volumes[1], volumeWord(c.left)) << c.what << ": the unit's left channel";
        EXPECT_EQ(volumes[2], volumeWord(c.right)) << c.what << ": the unit's right channel";
        panel.reset();
    }

    // Loaded onto a linked pair whose follower is still due: the loaded faders stay.
    folder.stateFile().deleteFile();
    build();
    panel->getPair(0).setLink(true);
    testing_loop::pumpFor(20ms);
    panel->getPair(0).setLeftFader(50);
    MixProperties loaded;
    loaded.setBool("Link0", true);
    loaded.setInt("Fader L0", 90);
    loaded.setInt("Fader R0", 200);
    panel->applyState(loaded);
    testing_loop::pumpFor(60ms);
    EXPECT_EQ(panel->getPair(0).getLeftFader(), 90);
    EXPECT_EQ(panel->getPair(0).getRightFader(), 200);
    EXPECT_EQ(driver->unit(0).volume.at(5)[2], volumeWord(200));
}

TEST_F(MixerStateTest, LabelsInTheWindowsCodePageReadAsWindows1252)
{
    struct Case
    {
        const char* stored;
        const char* shown; // UTF-8
    };
    const Case cases[] = {
        {"\x80 5", "\xE2\x82\xAC 5"},             // euro sign
        {"Gtr \x96 L", "Gtr \xE2\x80\x93 L"},     // en dash
        {"Rock\x92n", "Rock\xE2\x80\x99n"},       // right single quotation mark
        {"Caf\xE9", "Caf\xC3\xA9"},               // the Latin-1 range as it was
        {"\x81\x8D", "\xC2\x81\xC2\x8D"},         // bytes the code page leaves undefined
        {"Voc \xE2\x82\xAC", "Voc \xE2\x82\xAC"}, // UTF-8, as this program writes, stays
    };
    std::vector<MixProperties::Pair> pairs;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        pairs.emplace_back("TRKlabel" + std::to_string(i), cases[i].stored);
    const auto bytes = propBytes(pairs);
    ASSERT_TRUE(folder.stateFile().replaceWithData(bytes.data(), bytes.size()));
    build();
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(panel->getChannelLabel(static_cast<int>(i)).getText(), juce::String::fromUTF8(cases[i].shown))
            << cases[i].stored;
}

// The JUCE file dialog on the screen now.
juce::FileChooserDialogBox* shownDialog()
{
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* dialog = dynamic_cast<juce::FileChooserDialogBox*>(desktop.getComponent(i)))
            return dialog;
    return nullptr;
}

// The JUCE file dialog, once it shows; null if none shows within `patience`.
juce::FileChooserDialogBox* openDialog(std::chrono::milliseconds patience = 1s)
{
    testing_loop::pumpUntil([] { return shownDialog() != nullptr; }, patience);
    return shownDialog();
}

template <typename Wanted> Wanted* findChild(juce::Component& parent)
{
    if (auto* found = dynamic_cast<Wanted*>(&parent))
        return found;
    for (auto* child : parent.getChildren())
        if (auto* found = findChild<Wanted>(*child))
            return found;
    return nullptr;
}

// Types `name` into the dialog's file name box and presses its action button.
void answer(juce::FileChooserDialogBox& dialog, const juce::String& name)
{
    auto* browser = findChild<juce::FileBrowserComponent>(dialog);
    ASSERT_NE(browser, nullptr);
    browser->setFileName(name);
    testing_loop::pumpFor(20ms); // the name box tells the dialog by a posted message
    for (auto* button : dialog.getChildren().getFirst()->getChildren())
        if (auto* text = dynamic_cast<juce::TextButton*>(button))
            if (text->getButtonText() == "Save" || text->getButtonText() == "Open") {
                ASSERT_TRUE(text->isEnabled());
                text->triggerClick();
            }
    testing_loop::pumpUntil([] { return shownDialog() == nullptr; }, 2s);
    testing_loop::pumpFor(60ms);
}

class MixerMixFileTest : public MixerStateTest
{
protected:
    void SetUp() override
    {
        if (juce::FileChooser::isPlatformDialogAvailable())
            GTEST_SKIP() << "the desktop's own file dialog would open";
        build();
    }
    void TearDown() override { panel.reset(); }

    juce::File mix(const char* name) const { return folder.mixFolder().getChildFile(name); }
};

TEST_F(MixerMixFileTest, SavingWritesPmxOverTheFilesOwnKeysOnce)
{
    ASSERT_TRUE(folder.mixFolder().createDirectory());
    const auto earlier = propBytes({{"Zeta", "z"}, {"OutSwitch", "3"}, {"Alpha", "a"}});
    ASSERT_TRUE(mix("live.pmx").replaceWithData(earlier.data(), earlier.size()));
    panel->getPair(1).setRightFader(17);

    panel->actionListenerCallback("SaveB");
    auto* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->getName(), "Please select the Mix file you want to save...");
    auto* browser = findChild<juce::FileBrowserComponent>(*dialog);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->getRoot(), folder.mixFolder());
    EXPECT_TRUE(browser->isFileSuitable(mix("a.pmx")));
    EXPECT_FALSE(browser->isFileSuitable(mix("a.txt")));
    auto* chooser = panel->getOpenFileChooser();
    panel->actionListenerCallback("SaveB");
    EXPECT_EQ(panel->getOpenFileChooser(), chooser) << "a second press while the dialog is open does nothing";

    FolderWatch watch(folder.mixFolder());
    answer(*dialog, "live.txt");
    EXPECT_FALSE(mix("live.txt").exists());
    EXPECT_EQ(watch.writesOf("live.pmx"), 1);

    const auto saved = MixFile::open(mix("live.pmx").getFullPathName().toStdString());
    ASSERT_EQ(saved.getState(), MixFile::State::Read);
    const auto& pairs = saved.properties.pairs();
    ASSERT_EQ(pairs.size(), 45u) << "the two keys the mixer does not know, and its 43";
    EXPECT_EQ(pairs[0], MixProperties::Pair("Zeta", "z"));
    EXPECT_EQ(pairs[1], MixProperties::Pair("OutSwitch", "5")) << "updated in its place";
    EXPECT_EQ(pairs[2], MixProperties::Pair("Alpha", "a"));
    EXPECT_EQ(pairs[3].first, "Mute0");
    EXPECT_EQ(*saved.properties.find("Fader R1"), "17");
    EXPECT_EQ(pairs.back().first, "OutPanner");
}

TEST_F(MixerMixFileTest, LoadingAMixBringsTheUnitBackAndKeepsTheMutesOfASolo)
{
    ASSERT_TRUE(folder.mixFolder().createDirectory());
    panel->getMuteSwitch(0).setOn();
    panel->getPair(0).setLeftFader(100);
    panel->getOutputSection().setHeadphoneChoice(3);
    testing_loop::pumpFor(60ms);
    const auto savedUnit = unitState();
    panel->actionListenerCallback("SaveB");
    auto* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    answer(*dialog, "take");
    ASSERT_TRUE(mix("take.pmx").existsAsFile());

    panel->getMuteSwitch(0).setOff();
    panel->getPair(0).setLeftFader(10);
    panel->getOutputSection().setHeadphoneChoice(0);
    testing_loop::pumpFor(60ms);
    ASSERT_NE(unitState(), savedUnit);

    panel->actionListenerCallback("LoadB");
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->getName(), "Please select the Mix file you want to load...");
    answer(*dialog, "take.pmx");
    EXPECT_EQ(unitState(), savedUnit) << "the unit is back where the mix was saved";

    // Loading during a solo replaces the saved mutes and the solos, and leaves
    // the mute switches to the solo.
    auto soloMix = propBytes({{"Mute5", "1"}, {"Solo3", "1"}});
    ASSERT_TRUE(mix("solo.pmx").replaceWithData(soloMix.data(), soloMix.size()));
    panel->getSoloSwitch(1).setOn();
    testing_loop::pumpFor(60ms);
    ASSERT_TRUE(panel->isSoloActive());
    const auto mutesDuringSolo = [&] {
        std::string on;
        for (int s = 0; s < 7; ++s)
            on += panel->getMuteSwitch(s).isOn() ? 'M' : '-';
        return on;
    };
    ASSERT_EQ(mutesDuringSolo(), "M-MMMMM");
    MixProperties loaded;
    loaded.setBool("Mute5", true);
    loaded.setBool("Solo3", true);
    panel->applyState(loaded);
    EXPECT_EQ(mutesDuringSolo(), "M-MMMMM") << "the mute switches stay as they are";
    EXPECT_TRUE(panel->getSavedMute(5));
    EXPECT_FALSE(panel->getSavedMute(0));
    testing_loop::pumpFor(60ms);
    EXPECT_EQ(mutesDuringSolo(), "MMM-MMM") << "then follow the loaded solo";
    panel->getSoloSwitch(3).setOff();
    testing_loop::pumpFor(60ms);
    EXPECT_EQ(mutesDuringSolo(), "-----M-") << "and the loaded mutes come back after it";
}

TEST_F(MixerMixFileTest, AMixThatCannotBeReadLeavesTheMixerAsItWas)
{
    ASSERT_TRUE(folder.mixFolder().createDirectory());
    panel->getMuteSwitch(1).setOn();
    panel->getPair(0).setLeftFader(100);
    panel->getChannelLabel(0).setText("Keep", juce::dontSendNotification);
    testing_loop::pumpFor(60ms);
    const auto shown = [&] {
        MixProperties state;
        panel->captureState(state);
        return mixfile::serialise(state);
    };
    const auto before = shown();
    const auto unitBefore = unitState();

    struct Case
    {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"not a mixer file", "RIFF\x10\0\0\0WAVEfmt "s},
        {"damaged before its first pair", "PROP\x03\0\0\0Fader L0"s},
        {"a count and nothing after it", "PROP\x05\0\0\0"s},
    };
    for (const auto& c : cases) {
        mix("bad.pmx").deleteFile();
        ASSERT_TRUE(mix("bad.pmx").create()); // replaceWithData deletes for no bytes
        ASSERT_TRUE(c.bytes.empty() || mix("bad.pmx").replaceWithData(c.bytes.data(), c.bytes.size()));
        StderrCapture errors;
        panel->actionListenerCallback("LoadB");
        auto* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        answer(*dialog, "bad.pmx");
        EXPECT_EQ(shown(), before) << c.what << ": the window as it was";
        EXPECT_EQ(unitState(), unitBefore) << c.what << ": the unit as it was";
        EXPECT_NE(errors.text().find(mix("bad.pmx").getFullPathName().toStdString() + " was not loaded"),
                  std::string::npos)
            << c.what;
    }

    // Damaged after some pairs: those are applied.
    const auto cut = propBytes({{"Fader L0", "42"}, {"Mute1", "0"}}).substr(0, 26);
    ASSERT_TRUE(mix("cut.pmx").replaceWithData(cut.data(), cut.size()));
    panel->actionListenerCallback("LoadB");
    auto* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    answer(*dialog, "cut.pmx");
    EXPECT_EQ(panel->getPair(0).getLeftFader(), 42);
}

TEST_F(MixerMixFileTest, AFailedSaveSaysWhyAndKeepsTheEarlierFile)
{
    ASSERT_TRUE(folder.mixFolder().createDirectory());
    // A folder where the file should be.
    ASSERT_TRUE(mix("live.pmx").getChildFile("inside").create());
    {
        StderrCapture errors;
        panel->actionListenerCallback("SaveB");
        auto* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        answer(*dialog, "live");
        EXPECT_NE(errors.text().find("could not be saved to " + mix("live.pmx").getFullPathName().toStdString() +
                                     ": Is a directory"),
                  std::string::npos);
    }
    EXPECT_TRUE(mix("live.pmx").getChildFile("inside").existsAsFile());

    // A full disk, as a file size limit gives it, over an earlier mix.
    const auto earlier = propBytes({{"OutSwitch", "2"}});
    ASSERT_TRUE(mix("take.pmx").replaceWithData(earlier.data(), earlier.size()));
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{400, unlimited.rlim_max}; // below a mix, above a message
    {
        StderrCapture errors;
        panel->actionListenerCallback("SaveB");
        auto* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        ::setrlimit(RLIMIT_FSIZE, &small);
        answer(*dialog, "take");
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_NE(errors.text().find("could not be saved to " + mix("take.pmx").getFullPathName().toStdString() +
                                     ": File too large"),
                  std::string::npos);
    }
    EXPECT_EQ(bytesOf(mix("take.pmx")), earlier) << "the earlier mix is kept";

    // The state file at the end, the same way.
    {
        StderrCapture errors;
        ::setrlimit(RLIMIT_FSIZE, &small);
        panel.reset();
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_NE(errors.text().find("the state could not be saved to " +
                                     folder.stateFile().getFullPathName().toStdString() + ": File too large"),
                  std::string::npos);
    }
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(folder.stateFile().exists());
}

TEST_F(MixerMixFileTest, LoadAndSaveNeedTheMixFolderAndNeverUseTheRoot)
{
    // No mix folder yet: Load shows nothing, Save makes the folder first.
    panel->actionListenerCallback("LoadB");
    EXPECT_EQ(openDialog(300ms), nullptr);
    EXPECT_EQ(panel->getOpenFileChooser(), nullptr);
    panel->actionListenerCallback("SaveB");
    EXPECT_TRUE(folder.mixFolder().isDirectory());
    auto* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->exitModalState(0);
    testing_loop::pumpFor(60ms);

    // No application-data folder at all: neither does anything.
    const char* home = std::getenv("HOME");
    const std::string earlierHome = home != nullptr ? home : "";
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(MixerPanel::mixFolder(), juce::File());
    panel->actionListenerCallback("SaveB");
    panel->actionListenerCallback("LoadB");
    EXPECT_EQ(openDialog(300ms), nullptr);
    ::setenv("HOME", earlierHome.c_str(), 1);
    EXPECT_FALSE(juce::File("/Quillex Mixer").exists());
}

} // namespace
