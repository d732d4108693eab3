// The mixer's whole state through its files: the state file read when the
// panel is built and written when it goes, and mixes saved and loaded through
// the file dialog, checked byte for byte and against what reaches the unit.
#include "MessageLoop.h"
#include "MixFile.h"
#include "MixFileFormat.h"
#include "MixerPanel.h"
#include "MixerTestFolder.h"

#include <SimDriver.h>
#include <win32/StandIn.h>

#include <gtest/gtest.h>

#include <sys/inotify.h>
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

// Counts the files that take a name in a folder by a rename or by being written.
class FolderWatch
{
public:
    explicit FolderWatch(const juce::File& folder) : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(fd, folder.getFullPathName().toRawUTF8(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~FolderWatch() { ::close(fd); }

    // How often `name` was written or renamed into place since the last call.
    int writesOf(const std::string& name)
    {
        int writes = 0;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0 && name == event->name)
                    ++writes;
                at += sizeof(inotify_event) + event->len;
            }
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

    // What the unit holds of the mixer: every volume and balance word and the selectors.
    std::string unitState()
    {
        const auto unit = driver->unit(0);
        std::string state;
        for (const auto& [block, words] : unit.volume)
            for (std::size_t channel = 0; channel < words.size(); ++channel)
                state += "v" + std::to_string(block) + "." + std::to_string(channel) + "=" +
                         std::to_string(words[channel]) + " ";
        for (const auto& [block, words] : unit.balance)
            for (std::size_t channel = 0; channel < words.size(); ++channel)
                state += "b" + std::to_string(block) + "." + std::to_string(channel) + "=" +
                         std::to_string(words[channel]) + " ";
        for (const auto& [block, plug] : unit.selector)
            state += "s" + std::to_string(block) + "=" + std::to_string(plug) + " ";
        return state;
    }

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

    std::vector<MixProperties::Pair> expected;
    const char* labels[] = {"Mic 1", "Mic 2", "Line 3", "Line 4", "Spdif L", "Spdif R", "Software"};
    for (int i = 0; i < 7; ++i) {
        const auto digit = std::to_string(i);
        expected.push_back({"Mute" + digit, i == 1 ? "1" : "0"}); // the mutes from before the solo
        expected.push_back({"Solo" + digit, i == 4 ? "1" : "0"});
        expected.push_back({"TRKlabel" + digit, labels[i]});
    }
    for (int d = 0; d < 3; ++d) {
        const auto digit = std::to_string(d);
        expected.insert(expected.end(), {{"Fader L" + digit, d == 0 ? "200" : "255"},
                                         {"Fader R" + digit, "255"},
                                         {"Panner L" + digit, "127"},
                                         {"Panner R" + digit, "127"},
                                         {"Link" + digit, d == 2 ? "1" : "0"}});
    }
    expected.insert(expected.end(), {{"PBslider", "255"},
                                     {"PBPan", "255"},
                                     {"PBswitch", "2"},
                                     {"OutSwitch", "5"},
                                     {"HPswitch", "0"},
                                     {"OutSlider", "255"},
                                     {"OutPanner", "255"}});
    ASSERT_EQ(expected.size(), 43u);
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
    {
        juce::GZIPCompressorOutputStream compressor(zlib);
        compressor.write(body.data() + 4, body.size() - 4);
    }
    const std::pair<const char*, std::string> forms[] = {
        {"PROP", body},
        {"CPRP", "CPRP" + std::string(static_cast<const char*>(zlib.getData()), zlib.getDataSize())},
    };
    for (const auto& [form, bytes] : forms) {
        ASSERT_TRUE(folder.stateFile().replaceWithData(bytes.data(), bytes.size()));
        build();
        for (int s = 0; s < 7; ++s) {
            EXPECT_EQ(panel->getChannelLabel(s).getText(), "") << form;
            EXPECT_FALSE(panel->getMuteSwitch(s).isOn()) << form;
            EXPECT_FALSE(panel->getSoloSwitch(s).isOn()) << form;
        }
        for (int d = 0; d < 3; ++d) {
            auto& pair = panel->getPair(d);
            EXPECT_EQ(pair.getLeftFader(), d == 0 ? 253.0 : 228.0) << form << " pair " << d;
            EXPECT_EQ(pair.getRightFader(), 228.0) << form;
            EXPECT_EQ(pair.getLeftPan(), 127.0) << form;
            EXPECT_EQ(pair.getRightPan(), 127.0) << form;
            EXPECT_FALSE(pair.getLink()) << form;
        }
        EXPECT_EQ(panel->getPlaybackStrip().getFaderValue(), 228.0) << form;
        EXPECT_EQ(panel->getPlaybackStrip().getPanValue(), 127.0) << form << ": 127, not the centre 255";
        EXPECT_EQ(panel->getPlaybackRoute().getChoice(), 0) << form;
        EXPECT_EQ(panel->getOutputSection().getOutputChoice(), 2) << form;
        EXPECT_EQ(panel->getOutputSection().getHeadphoneChoice(), 0) << form;
        EXPECT_EQ(panel->getOutputSection().getOutputLevel(), 228.0) << form;
        EXPECT_EQ(panel->getOutputSection().getOutputPan(), 127.0) << form;
        panel.reset();
        ASSERT_TRUE(folder.stateFile().deleteFile());
    }
}

TEST_F(MixerStateTest, BadStateFilesNeverStopTheMixerNorGetLost)
{
    juce::Random random(14);
    juce::MemoryBlock noise;
    for (int i = 0; i < 3000; ++i)
        noise.append(std::string(1, static_cast<char>(random.nextInt(256))).data(), 1);
    const auto whole = propBytes({{"TRKlabel0", "Bass"}, {"Mute2", "1"}, {"OutSwitch", "1"}});
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
        {"8-bit text",
         propBytes({{"TRKlabel0", "Stra\xDF"
                                  "e"}}),
         false,
         "Stra\xC3\x9F"
         "e"},
        {"random bytes", std::string(static_cast<const char*>(noise.getData()), noise.getSize()), true, ""},
        {"empty", "", false, ""},
    };
    for (const auto& c : cases) {
        {
            juce::FileOutputStream out(folder.stateFile());
            out.setPosition(0);
            out.truncate();
            out.write(c.bytes.data(), c.bytes.size());
        }
        build();
        EXPECT_EQ(panel->getChannelLabel(0).getText(), juce::String::fromUTF8(c.firstLabel)) << c.what;
        panel.reset();

        EXPECT_EQ(MixFile::open(folder.stateFile().getFullPathName().toStdString()).getState(), MixFile::State::Read)
            << c.what << ": a whole new file";
        const auto aside = folder.path().getChildFile("TessaryMixer.poo.unreadable");
        EXPECT_EQ(aside.existsAsFile(), c.keptAside) << c.what;
        if (c.keptAside) {
            EXPECT_EQ(bytesOf(aside), c.bytes) << c.what << ": the old one kept as it was";
        }
        aside.deleteFile();
        EXPECT_EQ(folder.path().getNumberOfChildFiles(juce::File::findFiles, ".*"), 0) << "no temporary file";
    }
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
