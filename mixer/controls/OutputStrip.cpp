#include "OutputStrip.h"

#include "OutputFaderLookAndFeel.h"

namespace {
constexpr int columnX = 3;
const juce::Rectangle<int> faderBounds{24, 24, 22, 170};
} // namespace

OutputStrip::OutputStrip(int channel, int audioChannel)
    : LevelStrip(columnX, faderBounds, std::make_unique<OutputFaderLookAndFeel>()), channelIndex(channel),
      faderAudioChannel(audioChannel), pan(channel, panExponent, volumeSender)
{
    // Nobody listens yet: the device keeps its level until the fader moves.
    getFader().setValue(fullLevel, true, true);

    getFader().addChangeListener(this);
    getPanSlider().addChangeListener(this);

    // From 0 to the centre: both sides go to full level at once.
    getPanSlider().setRange(0.0, 2.0 * panCentre, 1.0);
    getPanSlider().setDoubleClickReturnValue(panCentre);
    getPanSlider().setValue(panCentre, true, true);

    getReadout().showLevel();
}

void OutputStrip::setFaderValue(double value)
{
    getFader().setValue(value, true, false);
}

void OutputStrip::setPanValue(double value)
{
    getPanSlider().setValue(value, true, false);
}

void OutputStrip::resend()
{
    volumeSender.sendNow(channelIndex, faderAudioChannel, static_cast<int>(getFaderValue()));
    pan.resend(static_cast<int>(getPanValue()));
}

void OutputStrip::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    auto& panSlider = getPanSlider();
    if (source == &getFader()) {
        volumeSender.schedule(channelIndex, faderAudioChannel, static_cast<int>(getFaderValue()));
        getReadout().showLevel();
    } else if (source == &panSlider) {
        pan.panTo(static_cast<int>(panSlider.getValue()));
    } else {
        return;
    }
    // A fader move under a pointer resting on the pan control shows the pan again.
    if (panSlider.isMouseOverOrDragging(true))
        getReadout().showPan(StripReadout::widePanText(panSlider));
}
