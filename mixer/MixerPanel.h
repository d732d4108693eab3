// The component that holds the mixer's controls. It opens the device first of
// all, by creating the program's one MixerCommands object and publishing it,
// then builds every control at its place on the strip pitch: three input
// pairs, the playback strip, seven mute and solo switches with their channel
// names, the playback route, the output section, the master indicators and the
// About, load and save buttons. The controls send their own commands.
#pragma once

#include "AboutBox.h"

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
#include <memory>

class MixerPanel : public juce::Component, public juce::ActionListener
{
public:
    explicit MixerPanel(int stripWidth);
    ~MixerPanel() override;

    void actionListenerCallback(const juce::String& message) override;

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
    void buildChannelStrip(int strip);
    void buildMasterButton(ActionToggleButton& button, juce::LookAndFeel& look, int x);
    void buildImageButton(juce::ImageButton& button, juce::Point<int> topLeft, const juce::Image& normal,
                          const juce::Image& down);

    std::unique_ptr<MixerCommands> commands;
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

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MixerPanel)
};
