// The plain light-grey dialog look of the tool: small system-like type, round
// option buttons, word-wrapped labels.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace diag {

class DiagLookAndFeel : public juce::LookAndFeel_V4
{
public:
    DiagLookAndFeel();

    static juce::Font dialogFont();

    juce::Font getLabelFont(juce::Label&) override;
    juce::Font getTextButtonFont(juce::TextButton&, int buttonHeight) override;
    juce::Font getAlertWindowMessageFont() override;
    juce::Font getAlertWindowTitleFont() override;
    juce::Font getAlertWindowFont() override;

    void drawLabel(juce::Graphics&, juce::Label&) override;
    void drawToggleButton(juce::Graphics&, juce::ToggleButton&, bool highlighted, bool down) override;
    void drawTickBox(juce::Graphics&, juce::Component&, float x, float y, float w, float h, bool ticked, bool enabled,
                     bool highlighted, bool down) override;
    void drawButtonBackground(juce::Graphics&, juce::Button&, const juce::Colour& background, bool highlighted,
                              bool down) override;
    void drawAlertBox(juce::Graphics&, juce::AlertWindow&, const juce::Rectangle<int>& textArea,
                      juce::TextLayout&) override;
    int getAlertWindowButtonHeight() override;
    void drawGroupComponentOutline(juce::Graphics&, int width, int height, const juce::String& text,
                                   const juce::Justification&, juce::GroupComponent&) override;

    // Width of an option button's round box and the gap after it.
    static constexpr int kOptionBoxWidth = 18;
};

} // namespace diag
