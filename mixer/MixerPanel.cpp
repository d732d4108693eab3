#include "MixerPanel.h"

#include <Artwork.h>
#include <LabelColours.h>

namespace {

const char* const defaultChannelNames[] = {"Mic 1", "Mic 2", "Line 3", "Line 4", "Spdif L", "Spdif R", "Software"};
constexpr int playbackStripIndex = 6;
constexpr int switchY = 212;
constexpr int labelY = 264;

} // namespace

MixerPanel::MixerPanel(int pitch)
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

    for (int s = 0; s < channelStripCount; ++s)
        labels[static_cast<size_t>(s)]->setText(defaultChannelNames[s], juce::dontSendNotification);
}

MixerPanel::~MixerPanel()
{
    masterSolo.setLookAndFeel(nullptr);
    masterMute.setLookAndFeel(nullptr);
    // The device object outlives the controls (members declared after it); once
    // the panel is going, nothing may reach it through the program-wide pointer.
    if (theMixerCommands == commands.get())
        theMixerCommands = nullptr;
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
