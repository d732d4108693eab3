// The look of dialogs and their controls: the light-grey three-dimensional
// style of the classic Windows dialog, with text in each control's own font.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace win32::detail {

class DialogLook : public juce::LookAndFeel_V4
{
public:
    DialogLook();

    static DialogLook& instance();

    static const juce::Colour face;
    static const juce::Colour highlight;
    static const juce::Colour shadow;
    static const juce::Colour darkShadow;
    static const juce::Colour greyText;

    // A two-pixel edge: raised (buttons, frames) or sunken (fields, check boxes).
    static void drawEdge(juce::Graphics& g, juce::Rectangle<int> area, bool raised);

    void drawDocumentWindowTitleBar(juce::DocumentWindow&, juce::Graphics&, int w, int h, int titleSpaceX,
                                    int titleSpaceW, const juce::Image* icon, bool drawTitleTextOnLeft) override;
    juce::Button* createDocumentWindowButton(int buttonType) override;
    void positionDocumentWindowButtons(juce::DocumentWindow&, int titleBarX, int titleBarY, int titleBarW,
                                       int titleBarH, juce::Button* minimiseButton, juce::Button* maximiseButton,
                                       juce::Button* closeButton, bool positionTitleBarButtonsOnLeft) override;
    void fillResizableWindowBackground(juce::Graphics&, int w, int h, const juce::BorderSize<int>&,
                                       juce::ResizableWindow&) override;
    void drawResizableWindowBorder(juce::Graphics&, int w, int h, const juce::BorderSize<int>&,
                                   juce::ResizableWindow&) override;

    void drawButtonBackground(juce::Graphics&, juce::Button&, const juce::Colour&, bool highlighted,
                              bool down) override;
    juce::Font getTextButtonFont(juce::TextButton&, int buttonHeight) override;
    void drawButtonText(juce::Graphics&, juce::TextButton&, bool highlighted, bool down) override;
    void drawToggleButton(juce::Graphics&, juce::ToggleButton&, bool highlighted, bool down) override;

    void drawComboBox(juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY, int buttonW,
                      int buttonH, juce::ComboBox&) override;
    juce::Font getComboBoxFont(juce::ComboBox&) override;
    void positionComboBoxText(juce::ComboBox&, juce::Label&) override;
    juce::Label* createComboBoxTextBox(juce::ComboBox&) override;

    juce::Font getPopupMenuFont() override;
    void drawPopupMenuBackground(juce::Graphics&, int width, int height) override;
    void drawPopupMenuItem(juce::Graphics&, const juce::Rectangle<int>& area, bool isSeparator, bool isActive,
                           bool isHighlighted, bool isTicked, bool hasSubMenu, const juce::String& text,
                           const juce::String& shortcutKeyText, const juce::Drawable* icon,
                           const juce::Colour* textColour) override;
    void getIdealPopupMenuItemSize(const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                   int& idealWidth, int& idealHeight) override;
    int getPopupMenuBorderSize() override { return 1; }
};

} // namespace win32::detail
