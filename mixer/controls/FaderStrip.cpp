#include "FaderStrip.h"

#include "FaderLookAndFeel.h"

namespace {
constexpr int columnX = 8;
const juce::Rectangle<int> faderBounds{25, 21, 22, 170};
constexpr int playbackCurveExponent = 3;
constexpr double pairPanCentre = 127.0;
} // namespace

FaderStrip::FaderStrip(int channel, int audio)
    : LevelStrip(columnX, faderBounds, std::make_unique<FaderLookAndFeel>()), channelIndex(channel), audioChannel(audio)
{
    if (isPlaybackStrip())
        playbackPan.emplace(channelIndex, playbackCurveExponent, volumeSender);

    getFader().addChangeListener(this);
    getPanSlider().addChangeListener(this);
    // The level goes out once the posted change arrives; the pan is handled now.
    getFader().setValue(fullLevel, true, false);
    getPanSlider().setValue(pairPanCentre, true, true);
    if (isPlaybackStrip()) {
        // Twice the range, centre 255; the owner sets the playback pan itself.
        getPanSlider().setRange(0.0, 2.0 * playbackPanCentre, 1.0);
        getPanSlider().setDoubleClickReturnValue(playbackPanCentre);
    }
    getReadout().showLevel();
}

void FaderStrip::setFaderValue(double value)
{
    getFader().setValue(value, true, true);
}

void FaderStrip::setPanValue(double value)
{
    getPanSlider().setValue(value, true, true);
}

void FaderStrip::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    if (source == &getFader())
        faderChanged();
    else if (source == &getPanSlider())
        panChanged();
}

void FaderStrip::resend()
{
    volumeSender.sendNow(channelIndex, audioChannel, static_cast<int>(getFaderValue()));
    const int position = static_cast<int>(getPanValue());
    if (playbackPan)
        playbackPan->resend(position);
    else
        balanceSender.sendNow(channelIndex, audioChannel, position);
}

void FaderStrip::faderChanged()
{
    volumeSender.schedule(channelIndex, audioChannel, static_cast<int>(getFaderValue()));
    getReadout().showLevel();
    sendSynchronousChangeMessage();
}

void FaderStrip::panChanged()
{
    auto& pan = getPanSlider();
    const int position = static_cast<int>(pan.getValue());
    if (playbackPan)
        playbackPan->panTo(position);
    else
        balanceSender.schedule(channelIndex, audioChannel, position);

    if (pan.isMouseOverOrDragging(true))
        getReadout().showPan(playbackPan ? StripReadout::widePanText(pan) : StripReadout::pairPanText(pan));
}
