// The component that holds the mixer's controls. It opens the device first of
// all, by creating the program's one MixerCommands object and publishing it,
// then builds every control at its place on the strip pitch: three input
// pairs, the playback strip, seven mute and solo switches with their channel
// names, the playback route, the output section, the master indicators and the
// About, load and save buttons. The controls send their own commands.
//
// Solo lives only here: it is carried out as mute states of the other strips,
// and the mutes from before the first solo come back when the last solo goes.
// The panel also saves and loads whole mixes, and restores the mixer state
// from the state file when it is built and writes it when it goes.
//
// It follows the unit: when the unit goes, the window keeps the mix and the
// commands go nowhere; when a Tessary arrives and none is connected, the panel
// connects to it and sends it the whole mix the window shows.
#pragma once

#include "AboutBox.h"
#include "MixProperties.h"
#include "StateFile.h"
#include "UnitArrivals.h"

#include <ActionToggleButton.h>
#include <FaderStrip.h>
#include <MasterMuteLookAndFeel.h>
#include <MasterSoloLookAndFeel.h>
#include <MuteSwitch.h>
#include <OutputSection.h>
#include <PlaybackRouteSelector.h>
#include <SoloSwitch.h>
#include <StripPair.h>
#include <device/MixerCommands.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

class MixerPanel : public juce::Component, public juce::ActionListener
{
public:
    // The state file belongs to the program at `programFile`.
    explicit MixerPanel(int stripWidth, const juce::File& programFile =
                                            juce::File::getSpecialLocation(juce::File::currentExecutableFile));
    ~MixerPanel() override;

    // Every button and switch of the panel reports here by its name.
    void actionListenerCallback(const juce::String& message) override;

    // "LoadB" and "SaveB": a file dialog in the mix folder, then the mix is
    // applied from, or saved to, the chosen file. Nothing happens without an
    // application-data folder, or while a dialog is open.
    void loadMix();
    void saveMix();
    // Writes every control's state into `properties`, in the files' key order.
    void captureState(MixProperties& properties);
    // Sets every control from `properties`; missing keys give the defaults.
    void applyState(const MixProperties& properties);
    // Sends every level, pan, mute and selector as the window shows them.
    void sendWholeMix();

    // Writes the state file now, once: later calls (the panel's destruction
    // among them) do nothing. A failure is told on stderr.
    bool saveState();

    // The file of the program this process runs, wherever it was started from.
    static juce::File runningProgram();
    // "Quillex Mixer" in the user's application-data folder; none when that is unknown.
    static juce::File mixFolder();
    // The dialog of the last load or save, while it is open.
    juce::FileChooser* getOpenFileChooser() { return chooserOpen ? chooser.get() : nullptr; }
    StateFile& getStateFile() { return *stateFile; }

    bool isSoloActive() const { return soloActive; }
    bool getSavedMute(int strip) const { return savedMutes[static_cast<size_t>(strip)]; }

    // Shows the About box centred over the panel, unless it is already showing.
    void showAboutBox();
    AboutBox& getAboutBox() { return aboutBox; }

    int getStripWidth() const { return stripWidth; }

    static constexpr int pairCount = 3;
    static constexpr int channelStripCount = 7; // Mic 1 .. Spdif R, Software

    StripPair& getPair(int index) { return *pairs[static_cast<size_t>(index)]; }
    FaderStrip& getPlaybackStrip() { return *playbackStrip; }
    MuteSwitch& getMuteSwitch(int strip) { return *muteSwitches[static_cast<size_t>(strip)]; }
    SoloSwitch& getSoloSwitch(int strip) { return *soloSwitches[static_cast<size_t>(strip)]; }
    juce::Label& getChannelLabel(int strip) { return *labels[static_cast<size_t>(strip)]; }
    PlaybackRouteSelector& getPlaybackRoute() { return *playbackRoute; }
    OutputSection& getOutputSection() { return *outputSection; }
    ActionToggleButton& getMasterSolo() { return masterSolo; }
    ActionToggleButton& getMasterMute() { return masterMute; }
    juce::ImageButton& getAboutButton() { return aboutButton; }
    juce::ImageButton& getLoadButton() { return loadButton; }
    juce::ImageButton& getSaveButton() { return saveButton; }

private:
    void rememberMutes();
    void restoreMutes();
    bool anySoloOn();
    bool anyMuteOn();
    void launchChooser(const juce::String& title, int flags, std::function<void(const juce::File&)> chosen);

    void followUnit(bool arrived, const std::string& devicePath);
    void buildChannelStrip(int strip);
    void buildMasterButton(ActionToggleButton& button, juce::LookAndFeel& look, int x);
    void buildImageButton(juce::ImageButton& button, juce::Point<int> topLeft, const juce::Image& normal,
                          const juce::Image& down);

    std::unique_ptr<MixerCommands> commands;
    std::array<bool, channelStripCount> savedMutes{}; // the mutes from before the first solo
    int stripWidth;
    AboutBox aboutBox;
    juce::Image aboutLogo;
    juce::Image loadNormal;
    juce::Image loadDown;
    juce::Image saveNormal;
    juce::Image saveDown;

    std::array<std::unique_ptr<StripPair>, pairCount> pairs;
    std::array<std::unique_ptr<MuteSwitch>, channelStripCount> muteSwitches;
    std::array<std::unique_ptr<SoloSwitch>, channelStripCount> soloSwitches;
    std::array<std::unique_ptr<juce::Label>, channelStripCount> labels;
    std::unique_ptr<FaderStrip> playbackStrip;
    std::unique_ptr<PlaybackRouteSelector> playbackRoute;
    std::unique_ptr<OutputSection> outputSection;
    MasterSoloLookAndFeel masterSoloLook; // the looks outlive their buttons
    MasterMuteLookAndFeel masterMuteLook;
    ActionToggleButton masterSolo{"MasterSolo"};
    ActionToggleButton masterMute{"MasterMute"};
    juce::ImageButton aboutButton{"AboutButton"};
    juce::ImageButton loadButton{"LoadB"};
    juce::ImageButton saveButton{"SaveB"};
    std::unique_ptr<StateFile> stateFile;
    std::unique_ptr<UnitArrivals> unitArrivals;
    bool soloActive{false};
    bool muteActive{false};
    bool masterMutePressed{false}; // by the user, since its last message
    bool chooserOpen{false};
    bool stateSaved{false};
    std::unique_ptr<juce::FileChooser> chooser; // goes first, and its dialog with it

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MixerPanel)
};
