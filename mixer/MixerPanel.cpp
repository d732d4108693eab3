#include "MixerPanel.h"

#include "MixFileFormat.h"

#include <Artwork.h>
#include <LabelColours.h>

#include <shlobj.h>

#include <cstdio>
#include <set>

namespace {

const char* const defaultChannelNames[] = {"Mic 1", "Mic 2", "Line 3", "Line 4", "Spdif L", "Spdif R", "Software"};
constexpr int playbackStripIndex = 6;
constexpr int switchY = 212;
constexpr int labelY = 264;

// Defaults of a missing key. The playback and output pans restore 127 too,
// although their centre is 255: files have always been read this way.
constexpr int defaultLevel = 228;
constexpr int defaultPan = 127;
constexpr int defaultOutputChoice = 5;

std::string key(const char* word, int digit)
{
    return word + std::to_string(digit);
}

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined stand for
// themselves, as Windows reads them.
constexpr juce::juce_wchar windows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Texts are written as UTF-8; the Windows program writes them in its ANSI code
// page, read here as Windows-1252.
juce::String textFromFile(const std::string& bytes)
{
    if (juce::CharPointer_UTF8::isValidString(bytes.data(), static_cast<int>(bytes.size())))
        return juce::String::fromUTF8(bytes.data(), static_cast<int>(bytes.size()));
    juce::String text;
    text.preallocateBytes(bytes.size() * 3);
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        text += juce::String::charToString(code >= 0x80 && code < 0xA0 ? windows1252High[code - 0x80]
                                                                       : static_cast<juce::juce_wchar>(code));
    }
    return text;
}

// The keys the mixer writes: kept when a file's other keys must go for it to fit.
bool isMixerKey(const std::string& name)
{
    static const std::set<std::string> keys = [] {
        std::set<std::string> all{"PBslider", "PBPan", "PBswitch", "OutSwitch", "HPswitch", "OutSlider", "OutPanner"};
        for (int i = 0; i < MixerPanel::channelStripCount; ++i)
            for (const char* word : {"Mute", "Solo", "TRKlabel"})
                all.insert(key(word, i));
        for (int d = 0; d < MixerPanel::pairCount; ++d)
            for (const char* word : {"Fader L", "Fader R", "Panner L", "Panner R", "Link"})
                all.insert(key(word, d));
        return all;
    }();
    return keys.count(name) != 0;
}

// Whether a file gave anything to apply: read whole, or damaged after some pairs.
bool worthApplying(const MixFile& file)
{
    return file.getState() == MixFile::State::Read ||
           (file.getState() == MixFile::State::Damaged && !file.properties.empty());
}

std::string whyNotApplied(const MixFile& file)
{
    switch (file.getState()) {
    case MixFile::State::Missing:
        return "there is no such file";
    case MixFile::State::Empty:
        return "the file is empty";
    case MixFile::State::Damaged:
        return "it is damaged before its first pair";
    case MixFile::State::Unreadable:
    case MixFile::State::Read:
        break;
    }
    return file.getProblem();
}

} // namespace

MixerPanel::MixerPanel(int pitch, const juce::File& programFile)
    : commands(std::make_unique<MixerCommands>()), stripWidth(pitch), aboutLogo(Artwork::get("about_logo.png")),
      loadNormal(Artwork::get("load_normal.png")), loadDown(Artwork::get("load_down.png")),
      saveNormal(Artwork::get("save_normal.png")), saveDown(Artwork::get("save_down.png"))
{
    theMixerCommands = commands.get();

    for (int d = 0; d < pairCount; ++d) {
        auto& pair = pairs[static_cast<size_t>(d)];
        pair = std::make_unique<StripPair>(stripWidth, d);
        addAndMakeVisible(*pair);
        pair->setBounds(2 * stripWidth * d, 0, 2 * stripWidth, StripPair::pairHeight);
    }

    for (int s = 0; s < channelStripCount; ++s)
        buildChannelStrip(s);
    labels[playbackStripIndex]->setJustificationType(juce::Justification::centred);

    playbackStrip = std::make_unique<FaderStrip>(4, 0);
    addAndMakeVisible(*playbackStrip);
    playbackStrip->setBounds(playbackStripIndex * stripWidth, 0, stripWidth, FaderStrip::stripHeight);
    playbackStrip->setPanValue(FaderStrip::playbackPanCentre);

    playbackRoute = std::make_unique<PlaybackRouteSelector>();
    addAndMakeVisible(*playbackRoute);
    playbackRoute->setBounds(playbackStripIndex * stripWidth + 7, 299, 100, 150);

    outputSection = std::make_unique<OutputSection>();
    outputSection->setName("outswitch");
    addAndMakeVisible(*outputSection);
    outputSection->setBounds(7 * stripWidth + 7, 0, 120, 440);

    buildMasterButton(masterSolo, masterSoloLook, 7 * stripWidth + 5);
    buildMasterButton(masterMute, masterMuteLook, 7 * stripWidth + 34);

    buildImageButton(aboutButton, {3, 286}, aboutLogo, {});
    buildImageButton(loadButton, {583, 383}, loadNormal, loadDown);
    loadButton.setOpaque(false);
    buildImageButton(saveButton, {583, 350}, saveNormal, saveDown);
    masterMute.onClick = [this] { masterMutePressed = true; };

    stateFile = std::make_unique<StateFile>(programFile.getFullPathName().toStdString());
    if (stateFile->exists())
        applyState(stateFile->properties());
    else
        for (int s = 0; s < channelStripCount; ++s)
            labels[static_cast<size_t>(s)]->setText(defaultChannelNames[s], juce::dontSendNotification);

    unitArrivals = std::make_unique<UnitArrivals>(
        MixerCommands::unitInterfaceClass(),
        [this](bool arrived, const std::string& devicePath) { followUnit(arrived, devicePath); });
}

void MixerPanel::followUnit(bool arrived, const std::string& devicePath)
{
    // A removal of another unit changes nothing; the removal of this one
    // leaves the mix as it is, and another unit still there takes it.
    if (!arrived && !commands->releaseUnit(devicePath.c_str()))
        return;
    if (commands->connectUnit())
        sendWholeMix();
}

void MixerPanel::sendWholeMix()
{
    // Levels first: a muted strip's level is only kept, and its mute sent after.
    for (auto& pair : pairs)
        pair->resend();
    playbackStrip->resend();
    outputSection->resend();
    playbackRoute->resend();
    for (auto& mute : muteSwitches)
        if (mute->isOn())
            mute->resend();
}

MixerPanel::~MixerPanel()
{
    unitArrivals.reset();
    // A dialog still open goes first; what it would have loaded or saved is dropped.
    chooser.reset();
    saveState();

    masterSolo.setLookAndFeel(nullptr);
    masterMute.setLookAndFeel(nullptr);
    // The device object outlives the controls (members declared after it); once
    // the panel is going, nothing may reach it through the program-wide pointer.
    if (theMixerCommands == commands.get())
        theMixerCommands = nullptr;
}

bool MixerPanel::saveState()
{
    if (stateSaved)
        return true;
    stateSaved = true;
    captureState(stateFile->properties());
    if (stateFile->save())
        return true;
    const auto& location = stateFile->getLocation();
    std::fprintf(stderr, "TessaryMixer: the state could not be saved to %s: %s\n",
                 (location.writeTo.empty() ? location.readFrom : location.writeTo).c_str(),
                 stateFile->getSaveProblem().c_str());
    return false;
}

void MixerPanel::buildChannelStrip(int s)
{
    const auto index = static_cast<size_t>(s);
    auto& mute = muteSwitches[index];
    auto& solo = soloSwitches[index];
    mute = std::make_unique<MuteSwitch>();
    solo = std::make_unique<SoloSwitch>();
    addAndMakeVisible(*mute);
    addAndMakeVisible(*solo);

    auto& label = labels[index];
    label = std::make_unique<juce::Label>("TRKLabel", "Input");
    addAndMakeVisible(*label);
    label->setBounds(stripWidth * s + 7, labelY, 61, 15);
    label->setJustificationType(juce::Justification::centredLeft);
    LabelColours::namePlate.applyTo(*label);

    mute->setBounds(stripWidth * s + 32, switchY, mute->getImageWidth(), mute->getImageHeight());
    solo->setBounds(stripWidth * s + 2, switchY, solo->getImageWidth(), solo->getImageHeight());
    solo->button.addActionListener(this);
    mute->button.addActionListener(this);
    mute->setChannel(s);
}

void MixerPanel::buildMasterButton(ActionToggleButton& button, juce::LookAndFeel& look, int x)
{
    addAndMakeVisible(button);
    button.setBounds(x, switchY, 38, 30);
    button.setLookAndFeel(&look);
    button.setTriggeredOnMouseDown(true);
    button.addActionListener(this);
}

void MixerPanel::buildImageButton(juce::ImageButton& button, juce::Point<int> topLeft, const juce::Image& normal,
                                  const juce::Image& down)
{
    addAndMakeVisible(button);
    button.setTopLeftPosition(topLeft);
    const auto clear = juce::Colours::transparentBlack;
    button.setImages(true, false, true, normal, 1.0f, clear, {}, 0.95f, clear, down, 1.0f, clear, 0.0f);
    button.onClick = [this, &button] { actionListenerCallback(button.getName()); };
}

void MixerPanel::actionListenerCallback(const juce::String& message)
{
    if (message == aboutButton.getName())
        showAboutBox();
    else if (message == loadButton.getName())
        loadMix();
    else if (message == saveButton.getName())
        saveMix();

    if (!soloActive) {
        rememberMutes();
        soloActive = anySoloOn();
    }

    if (soloActive) {
        if (message == masterSolo.getName()) {
            if (!masterSolo.getToggleState())
                for (auto& solo : soloSwitches)
                    solo->setOff();
        } else if (message == "Solo") {
            for (int s = 0; s < channelStripCount; ++s)
                getSoloSwitch(s).isOn() ? getMuteSwitch(s).setOff() : getMuteSwitch(s).setOn();
        } else if (message == "Mute") {
            for (int s = 0; s < channelStripCount; ++s)
                getMuteSwitch(s).isOn() ? getSoloSwitch(s).setOff() : getSoloSwitch(s).setOn();
        }
    }

    soloActive = anySoloOn();
    if (soloActive) {
        masterSolo.setOn(true);
    } else {
        masterSolo.setOn(false);
        restoreMutes();
    }

    muteActive = anyMuteOn();
    masterMute.setOn(muteActive);

    // A press on the lit indicator clears every mute; the indicator's own
    // changes by the panel come here too, and do not.
    if (message == masterMute.getName()) {
        const bool pressed = masterMutePressed || masterMute.isDown();
        masterMutePressed = false;
        if (pressed && !soloActive && masterMute.getToggleState())
            for (auto& mute : muteSwitches)
                mute->setOff();
    }
}

void MixerPanel::rememberMutes()
{
    for (int s = 0; s < channelStripCount; ++s)
        savedMutes[static_cast<size_t>(s)] = getMuteSwitch(s).isOn();
}

void MixerPanel::restoreMutes()
{
    for (int s = 0; s < channelStripCount; ++s)
        savedMutes[static_cast<size_t>(s)] ? getMuteSwitch(s).setOn() : getMuteSwitch(s).setOff();
}

bool MixerPanel::anySoloOn()
{
    bool any = false;
    for (auto& solo : soloSwitches)
        any = solo->isOn() || any;
    return any;
}

bool MixerPanel::anyMuteOn()
{
    bool any = false;
    for (auto& mute : muteSwitches)
        any = mute->isOn() || any;
    return any;
}

void MixerPanel::captureState(MixProperties& properties)
{
    if (!soloActive)
        rememberMutes();
    for (int i = 0; i < channelStripCount; ++i) {
        properties.setBool(key("Mute", i), savedMutes[static_cast<size_t>(i)]);
        properties.setBool(key("Solo", i), getSoloSwitch(i).isOn());
        properties.set(key("TRKlabel", i), getChannelLabel(i).getText().toStdString());
    }
    for (int d = 0; d < pairCount; ++d) {
        auto& pair = getPair(d);
        properties.setReal(key("Fader L", d), pair.getLeftFader());
        properties.setReal(key("Fader R", d), pair.getRightFader());
        properties.setReal(key("Panner L", d), pair.getLeftPan());
        properties.setReal(key("Panner R", d), pair.getRightPan());
        properties.setBool(key("Link", d), pair.getLink());
    }
    properties.setReal("PBslider", playbackStrip->getFaderValue());
    properties.setReal("PBPan", playbackStrip->getPanValue());
    properties.setInt("PBswitch", playbackRoute->getChoice());
    properties.setInt("OutSwitch", outputSection->getOutputChoice());
    properties.setInt("HPswitch", outputSection->getHeadphoneChoice());
    properties.setReal("OutSlider", outputSection->getOutputLevel());
    properties.setReal("OutPanner", outputSection->getOutputPan());
    // Keys of elsewhere that would make the file more than a reader takes go, the last first.
    mixfile::fitForReading(properties, isMixerKey);
}

void MixerPanel::applyState(const MixProperties& properties)
{
    for (int d = 0; d < pairCount; ++d) {
        getPair(d).restore(
            properties.getInt(key("Fader L", d), defaultLevel), properties.getInt(key("Fader R", d), defaultLevel),
            properties.getInt(key("Panner L", d), defaultPan), properties.getInt(key("Panner R", d), defaultPan),
            properties.getBool(key("Link", d), false));
    }
    for (int i = 0; i < channelStripCount; ++i) {
        savedMutes[static_cast<size_t>(i)] = properties.getBool(key("Mute", i), false);
        properties.getBool(key("Solo", i), false) ? getSoloSwitch(i).setOn() : getSoloSwitch(i).setOff();
        const std::string* text = properties.find(key("TRKlabel", i));
        getChannelLabel(i).setText(text != nullptr ? textFromFile(*text) : juce::String(), juce::dontSendNotification);
    }
    if (!soloActive)
        restoreMutes();
    playbackStrip->setPanValue(properties.getInt("PBPan", defaultPan));
    playbackStrip->setFaderValue(properties.getInt("PBslider", defaultLevel));
    playbackRoute->setChoice(properties.getInt("PBswitch", 0));
    outputSection->setOutputChoice(properties.getInt("OutSwitch", defaultOutputChoice));
    outputSection->setHeadphoneChoice(properties.getInt("HPswitch", 0));
    outputSection->setOutputPan(properties.getInt("OutPanner", defaultPan));
    outputSection->setOutputLevel(properties.getInt("OutSlider", defaultLevel));
}

juce::File MixerPanel::runningProgram()
{
    // JUCE's executable file is the name the program was started by, taken from
    // the working folder: wrong for a program found through PATH.
    return juce::File::getSpecialLocation(juce::File::hostApplicationPath);
}

juce::File MixerPanel::mixFolder()
{
    char base[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, base, CSIDL_APPDATA, FALSE) || base[0] == '\0')
        return {}; // never the root of the file system
    return juce::File(juce::String::fromUTF8(base) + "/Quillex Mixer");
}

void MixerPanel::loadMix()
{
    const auto folder = mixFolder();
    if (folder == juce::File() || !folder.isDirectory())
        return;
    launchChooser("Please select the Mix file you want to load...",
                  juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
                  [this](const juce::File& chosen) {
                      const auto mix = MixFile::open(chosen.getFullPathName().toStdString());
                      if (worthApplying(mix))
                          applyState(mix.properties);
                      else
                          std::fprintf(stderr, "TessaryMixer: the mix %s was not loaded: %s\n", mix.getPath().c_str(),
                                       whyNotApplied(mix).c_str());
                  });
}

void MixerPanel::saveMix()
{
    const auto folder = mixFolder();
    if (folder == juce::File() || !folder.createDirectory())
        return;
    // The dialog does not ask before a file is replaced.
    launchChooser("Please select the Mix file you want to save...",
                  juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles,
                  [this](const juce::File& chosen) {
                      auto mix = MixFile::open(chosen.withFileExtension("pmx").getFullPathName().toStdString());
                      captureState(mix.properties);
                      if (!mix.save())
                          std::fprintf(stderr, "TessaryMixer: the mix could not be saved to %s: %s\n",
                                       mix.getPath().c_str(), mix.getSaveProblem().c_str());
                  });
}

void MixerPanel::launchChooser(const juce::String& title, int flags, std::function<void(const juce::File&)> chosen)
{
    if (chooserOpen)
        return;
    chooser = std::make_unique<juce::FileChooser>(title, mixFolder(), "*.pmx", true);
    chooserOpen = true;
    // The dialog is closed before the panel goes, so its answer always finds the panel.
    chooser->launchAsync(flags, [this, chosen = std::move(chosen)](const juce::FileChooser& done) {
        chooserOpen = false;
        const auto file = done.getResult();
        if (file != juce::File())
            chosen(file);
    });
}

void MixerPanel::showAboutBox()
{
    if (aboutBox.isVisible())
        return;
    addChildComponent(aboutBox);
    aboutBox.setSize(aboutBox.getImage().getWidth(), aboutBox.getImage().getHeight());
    aboutBox.setCentreRelative(0.5f, 0.385f);
    aboutBox.setVisible(true);
}
