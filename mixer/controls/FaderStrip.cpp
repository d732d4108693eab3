#include "FaderStrip.h"

namespace {

constexpr int pannerX = 8;
constexpr int pannerY = 5;
constexpr int readoutY = 194;
constexpr int readoutHeight = 15;
constexpr int playbackCurveExponent = 3;
constexpr double fullLevel = 255.0;
constexpr double pairPanCentre = 127.0;

} // namespace

FaderStrip::FaderStrip(int channel, int audio)
    : readout([this] { return StripReadout::levelText(fader); }), channelIndex(channel), audioChannel(audio)
{
    if (isPlaybackStrip())
        playbackPan.emplace(channelIndex, playbackCurveExponent, volumeSender);

    addAndMakeVisible(panner);
    panner.setBounds(pannerX, pannerY, panner.getPreferredWidth(), panner.getPreferredHeight());

    addAndMakeVisible(readout);
    readout.setBounds(pannerX, readoutY, panner.getPreferredWidth(), readoutHeight);

    addAndMakeVisible(fader);
    fader.setLookAndFeel(&faderLook);
    fader.setRange(0.0, fullLevel, 1.0);
    fader.setTextBoxProportion(0.0f);
    fader.setVertical(true);
    fader.setDoubleClickReturnValue(fullLevel);
    fader.setBounds(25, 21, 22, 170);
    fader.setSkewFactor(5.5);

    fader.addChangeListener(this);
    panner.getSlider().addChangeListener(this);
    // The level goes out once the posted change arrives; the pan is handled now.
    fader.setValue(fullLevel, true, false);
    panner.getSlider().setValue(pairPanCentre, true, true);
    if (isPlaybackStrip()) {
        // Twice the range, centre 255; the owner sets the playback pan itself.
        panner.getSlider().setRange(0.0, 2.0 * playbackPanCentre, 1.0);
        panner.getSlider().setDoubleClickReturnValue(playbackPanCentre);
    }
    readout.showLevel();
}

FaderStrip::~FaderStrip()
{
    fader.setLookAndFeel(nullptr);
}

void FaderStrip::setFaderValue(double value)
{
    fader.setValue(value, true, true);
}

void FaderStrip::setPanValue(double value)
{
    panner.getSlider().setValue(value, true, true);
}

void FaderStrip::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    if (source == &fader)
        faderChanged();
    else if (source == &panner.getSlider())
        panChanged();
}

void FaderStrip::faderChanged()
{
    volumeSender.schedule(channelIndex, audioChannel, static_cast<int>(fader.getValue()));
    readout.showLevel();
    sendSynchronousChangeMessage();
}

void FaderStrip::panChanged()
{
    auto& pan = panner.getSlider();
    const int position = static_cast<int>(pan.getValue());
    if (playbackPan)
        playbackPan->panTo(position);
    else
        balanceSender.schedule(channelIndex, audioChannel, position);

    if (pan.isMouseOverOrDragging(true))
        readout.showPan(playbackPan ? StripReadout::widePanText(pan) : StripReadout::pairPanText(pan));
}
