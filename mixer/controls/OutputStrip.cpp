#include "OutputStrip.h"

namespace {
constexpr int pannerX = 3;
constexpr int pannerY = 5;
constexpr int readoutY = 194;
constexpr int readoutHeight = 15;
constexpr double fullLevel = 255.0;
} // namespace

OutputStrip::OutputStrip(int channel, int audioChannel)
    : readout([this] { return StripReadout::levelText(fader); }), channelIndex(channel),
      faderAudioChannel(audioChannel), pan(channel, panExponent, volumeSender)
{
    addAndMakeVisible(panner);
    panner.setBounds(pannerX, pannerY, panner.getPreferredWidth(), panner.getPreferredHeight());

    addAndMakeVisible(readout);
    readout.setBounds(pannerX, readoutY, panner.getPreferredWidth(), readoutHeight);

    addAndMakeVisible(fader);
    fader.setLookAndFeel(&faderLook);
    fader.setRange(0.0, fullLevel, 1.0);
    fader.setTextBoxProportion(0.0f);
    // Nobody listens yet: the device keeps its level until the fader moves.
    fader.setValue(fullLevel, true, true);
    fader.setVertical(true);
    fader.setDoubleClickReturnValue(fullLevel);
    fader.setBounds(24, 24, 22, 170);
    fader.setSkewFactor(5.5);

    fader.addChangeListener(this);
    panner.getSlider().addChangeListener(this);

    // From 0 to the centre: both sides go to full level at once.
    auto& panSlider = panner.getSlider();
    panSlider.setRange(0.0, 2.0 * panCentre, 1.0);
    panSlider.setDoubleClickReturnValue(panCentre);
    panSlider.setValue(panCentre, true, true);

    readout.showLevel();
}

OutputStrip::~OutputStrip()
{
    fader.setLookAndFeel(nullptr);
}

void OutputStrip::setFaderValue(double value)
{
    fader.setValue(value, true, false);
}

void OutputStrip::setPanValue(double value)
{
    panner.getSlider().setValue(value, true, false);
}

void OutputStrip::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    auto& panSlider = panner.getSlider();
    if (source == &fader) {
        volumeSender.schedule(channelIndex, faderAudioChannel, static_cast<int>(fader.getValue()));
        readout.showLevel();
    } else if (source == &panSlider) {
        pan.panTo(static_cast<int>(panSlider.getValue()));
    } else {
        return;
    }
    // A fader move under a pointer resting on the pan control shows the pan again.
    if (panSlider.isMouseOverOrDragging(true))
        readout.showPan(StripReadout::widePanText(panSlider));
}
