#include "StripReadout.h"

#include "LabelColours.h"

namespace {

// Attenuations of 61 dB and more read as silence.
constexpr double silentAttenuationDb = 61.0;

juce::String percentText(MixerSlider& pan, double percent, const char* side)
{
    return pan.getTextFromValue(percent) + side;
}

} // namespace

StripReadout::StripReadout(std::function<juce::String()> levelText)
    : juce::Label("InfoBox", "0.0"), levelTextOf(std::move(levelText))
{
    setJustificationType(juce::Justification::centred);
    LabelColours::levelReadout.applyTo(*this);
}

void StripReadout::showLevel()
{
    LabelColours::levelReadout.applyTo(*this);
    setText(levelTextOf(), juce::dontSendNotification);
}

void StripReadout::showPan(const std::optional<juce::String>& text)
{
    LabelColours::panReadout.applyTo(*this);
    if (text)
        setText(*text, juce::dontSendNotification);
    startTimer(panDisplayMilliseconds);
}

void StripReadout::timerCallback()
{
    stopTimer();
    showLevel();
}

juce::String StripReadout::levelText(MixerSlider& fader)
{
    const double attenuationDb = (255.0 - fader.getValue()) / 2.0;
    if (attenuationDb < silentAttenuationDb)
        return fader.getTextFromValue(-attenuationDb) + " db";
    return "INF";
}

std::optional<juce::String> StripReadout::pairPanText(MixerSlider& pan)
{
    const double p = pan.getValue();
    if (p == 127.0)
        return juce::String("C");
    if (p <= 126.0)
        return percentText(pan, (127.0 - p) / 127.0 * 100.0, " L");
    if (p >= 129.0)
        return percentText(pan, (p - 128.0) / 127.0 * 100.0, " R");
    return std::nullopt;
}

juce::String StripReadout::widePanText(MixerSlider& pan)
{
    const double p = pan.getValue();
    if (p == 255.0)
        return "C";
    if (p <= 254.0)
        return percentText(pan, (255.0 - p) / 255.0 * 100.0, " L");
    return percentText(pan, (p - 255.0) / 255.0 * 100.0, " R");
}
