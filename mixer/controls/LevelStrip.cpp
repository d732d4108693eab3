#include "LevelStrip.h"

namespace {
constexpr int pannerY = 5;
constexpr int readoutY = 194;
constexpr int readoutHeight = 15;
constexpr double faderSkew = 5.5;
} // namespace

LevelStrip::LevelStrip(int columnX, juce::Rectangle<int> faderBounds, std::unique_ptr<CapFaderLookAndFeel> look)
    : readout([this] { return StripReadout::levelText(fader); }), faderLook(std::move(look))
{
    addAndMakeVisible(panner);
    panner.setBounds(columnX, pannerY, panner.getPreferredWidth(), panner.getPreferredHeight());

    addAndMakeVisible(readout);
    readout.setBounds(columnX, readoutY, panner.getPreferredWidth(), readoutHeight);

    addAndMakeVisible(fader);
    fader.setLookAndFeel(faderLook.get());
    fader.setRange(0.0, fullLevel, 1.0);
    fader.setTextBoxProportion(0.0f);
    fader.setVertical(true);
    fader.setDoubleClickReturnValue(fullLevel);
    fader.setBounds(faderBounds);
    fader.setSkewFactor(faderSkew);
}

LevelStrip::~LevelStrip()
{
    fader.setLookAndFeel(nullptr);
}
