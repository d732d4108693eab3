#include "DialogLook.h"

#include "FontObject.h"
#include "WindowObject.h"

namespace win32::detail {

const juce::Colour DialogLook::face{0xFFD4D0C8};
const juce::Colour DialogLook::highlight{0xFFFFFFFF};
const juce::Colour DialogLook::shadow{0xFF808080};
const juce::Colour DialogLook::darkShadow{0xFF404040};
const juce::Colour DialogLook::greyText{0xFF808080};

namespace {

const juce::Colour kCaptionStart{0xFF0A246A};
const juce::Colour kCaptionEnd{0xFFA6CAF0};
const juce::Colour kSelection{0xFF0A246A};
constexpr int kCheckBoxSize = 13;
constexpr int kComboButtonWidth = 16;
constexpr int kCaptionButtonWidth = 16;
constexpr int kCaptionButtonHeight = 14;
constexpr int kMenuEm = 11;

// The font a control was given with WM_SETFONT, else the dialog font at 96 DPI.
juce::Font controlFont(juce::Component& component)
{
    if (auto* window = dynamic_cast<WindowObject*>(&component))
        if (window->fontHandle() != nullptr)
            return window->juceFont();
    const FontFace& face = mappedFace(u"MS Shell Dlg", FW_NORMAL);
    return juce::Font(face.typeface).withHeight(static_cast<float>(kMenuEm * face.juceHeightPerEm));
}

juce::Font boldFont(int em)
{
    const FontFace& face = mappedFace(u"Tahoma", FW_BOLD);
    return juce::Font(face.typeface).withHeight(static_cast<float>(em * face.juceHeightPerEm));
}

// The caption buttons of the frame: a small raised box with a glyph.
class CaptionButton : public juce::Button
{
public:
    CaptionButton(const juce::String& name, bool isClose) : juce::Button(name), close(isClose) {}

    void paintButton(juce::Graphics& g, bool, bool down) override
    {
        auto area = getLocalBounds();
        g.setColour(DialogLook::face);
        g.fillRect(area);
        DialogLook::drawEdge(g, area, !down);
        auto glyph = area.reduced(4).translated(down ? 1 : 0, down ? 1 : 0).toFloat();
        g.setColour(isEnabled() ? juce::Colours::black : DialogLook::greyText);
        if (close) {
            juce::Path cross;
            cross.addLineSegment({glyph.getTopLeft(), glyph.getBottomRight()}, 1.6f);
            cross.addLineSegment({glyph.getBottomLeft(), glyph.getTopRight()}, 1.6f);
            g.fillPath(cross);
        } else {
            g.fillRect(glyph.getX(), glyph.getBottom() - 2.0f, 6.0f, 2.0f);
        }
    }

private:
    bool close;
};

} // namespace

DialogLook::DialogLook()
{
    setColour(juce::ComboBox::textColourId, juce::Colours::black);
    setColour(juce::ComboBox::backgroundColourId, juce::Colours::white);
    setColour(juce::TextButton::textColourOffId, juce::Colours::black);
    setColour(juce::TextButton::textColourOnId, juce::Colours::black);
    setColour(juce::ToggleButton::textColourId, juce::Colours::black);
    setColour(juce::Label::textColourId, juce::Colours::black);
    setColour(juce::PopupMenu::backgroundColourId, juce::Colours::white);
    setColour(juce::PopupMenu::textColourId, juce::Colours::black);
    setColour(juce::PopupMenu::highlightedBackgroundColourId, kSelection);
    setColour(juce::PopupMenu::highlightedTextColourId, juce::Colours::white);
    setColour(juce::ResizableWindow::backgroundColourId, face);
    setColour(juce::DocumentWindow::textColourId, juce::Colours::white);
}

DialogLook& DialogLook::instance()
{
    static DialogLook look;
    return look;
}

void DialogLook::drawEdge(juce::Graphics& g, juce::Rectangle<int> area, bool raised)
{
    const juce::Colour outerLight = raised ? highlight : shadow;
    const juce::Colour outerDark = raised ? darkShadow : highlight;
    const juce::Colour innerLight = raised ? face : darkShadow;
    const juce::Colour innerDark = raised ? shadow : face;
    auto edge = [&g](juce::Rectangle<int> r, juce::Colour light, juce::Colour dark) {
        g.setColour(light);
        g.fillRect(r.getX(), r.getY(), r.getWidth() - 1, 1);
        g.fillRect(r.getX(), r.getY(), 1, r.getHeight() - 1);
        g.setColour(dark);
        g.fillRect(r.getX(), r.getBottom() - 1, r.getWidth(), 1);
        g.fillRect(r.getRight() - 1, r.getY(), 1, r.getHeight());
    };
    edge(area, outerLight, outerDark);
    edge(area.reduced(1), innerLight, innerDark);
}

void DialogLook::drawDocumentWindowTitleBar(juce::DocumentWindow& window, juce::Graphics& g, int w, int h,
                                            int titleSpaceX, int titleSpaceW, const juce::Image* icon, bool)
{
    g.setGradientFill(juce::ColourGradient(kCaptionStart, 0.0f, 0.0f, kCaptionEnd, static_cast<float>(w), 0.0f, false));
    g.fillRect(0, 0, w, h);
    int textX = titleSpaceX + 2;
    if (icon != nullptr && icon->isValid()) {
        const int size = std::min(16, h - 2);
        g.drawImage(*icon, textX, (h - size) / 2, size, size, 0, 0, icon->getWidth(), icon->getHeight());
        textX += size + 3;
    }
    g.setColour(juce::Colours::white);
    g.setFont(boldFont(kMenuEm));
    g.drawText(window.getName(), textX, 0, titleSpaceX + titleSpaceW - textX, h, juce::Justification::centredLeft,
               true);
}

juce::Button* DialogLook::createDocumentWindowButton(int buttonType)
{
    if (buttonType == juce::DocumentWindow::closeButton)
        return new CaptionButton("close", true);
    if (buttonType == juce::DocumentWindow::minimiseButton)
        return new CaptionButton("minimise", false);
    return nullptr;
}

void DialogLook::positionDocumentWindowButtons(juce::DocumentWindow&, int titleBarX, int titleBarY, int titleBarW,
                                               int titleBarH, juce::Button* minimiseButton, juce::Button*,
                                               juce::Button* closeButton, bool)
{
    const int y = titleBarY + (titleBarH - kCaptionButtonHeight) / 2;
    int x = titleBarX + titleBarW - 2 - kCaptionButtonWidth;
    if (closeButton != nullptr) {
        closeButton->setBounds(x, y, kCaptionButtonWidth, kCaptionButtonHeight);
        x -= kCaptionButtonWidth + 2;
    }
    if (minimiseButton != nullptr)
        minimiseButton->setBounds(x, y, kCaptionButtonWidth, kCaptionButtonHeight);
}

void DialogLook::fillResizableWindowBackground(juce::Graphics& g, int, int, const juce::BorderSize<int>&,
                                               juce::ResizableWindow&)
{
    g.fillAll(face);
}

void DialogLook::drawResizableWindowBorder(juce::Graphics& g, int w, int h, const juce::BorderSize<int>& border,
                                           juce::ResizableWindow&)
{
    if (border.getTop() >= 2)
        drawEdge(g, {0, 0, w, h}, true);
}

void DialogLook::drawButtonBackground(juce::Graphics& g, juce::Button& button, const juce::Colour&, bool, bool down)
{
    auto area = button.getLocalBounds();
    g.setColour(face);
    g.fillRect(area);
    // The default button and the one with the focus carry a black outline.
    const auto* push = dynamic_cast<juce::TextButton*>(&button);
    const bool outlined = button.hasKeyboardFocus(false) || (push != nullptr && push->getProperties()["default"]);
    if (outlined) {
        g.setColour(juce::Colours::black);
        g.drawRect(area);
        area = area.reduced(1);
    }
    if (down) {
        g.setColour(shadow);
        g.drawRect(area);
    } else {
        drawEdge(g, area, true);
    }
}

juce::Font DialogLook::getTextButtonFont(juce::TextButton& button, int)
{
    return controlFont(button);
}

void DialogLook::drawButtonText(juce::Graphics& g, juce::TextButton& button, bool, bool down)
{
    g.setFont(getTextButtonFont(button, button.getHeight()));
    g.setColour(button.isEnabled() ? juce::Colours::black : greyText);
    auto area = button.getLocalBounds().translated(down ? 1 : 0, down ? 1 : 0);
    g.drawText(button.getButtonText().replace("&", ""), area, juce::Justification::centred, false);
}

void DialogLook::drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool, bool down)
{
    const int y = (button.getHeight() - kCheckBoxSize) / 2;
    const juce::Rectangle<int> box(0, y, kCheckBoxSize, kCheckBoxSize);
    g.setColour(button.isEnabled() && !down ? juce::Colours::white : face);
    g.fillRect(box.reduced(2));
    drawEdge(g, box, false);
    if (button.getToggleState()) {
        juce::Path tick;
        const auto b = box.reduced(3).toFloat();
        tick.startNewSubPath(b.getX() + 0.5f, b.getCentreY());
        tick.lineTo(b.getX() + b.getWidth() * 0.38f, b.getBottom() - 1.5f);
        tick.lineTo(b.getRight() - 0.5f, b.getY() + 1.0f);
        g.setColour(button.isEnabled() ? juce::Colours::black : greyText);
        g.strokePath(tick, juce::PathStrokeType(1.8f));
    }
    if (button.getButtonText().isNotEmpty()) {
        g.setFont(controlFont(button));
        g.setColour(button.isEnabled() ? juce::Colours::black : greyText);
        g.drawText(button.getButtonText().replace("&", ""), kCheckBoxSize + 4, 0, button.getWidth() - kCheckBoxSize - 4,
                   button.getHeight(), juce::Justification::centredLeft);
    }
    if (button.hasKeyboardFocus(false)) {
        g.setColour(juce::Colours::black.withAlpha(0.5f));
        g.drawRect(box.expanded(1).withRight(button.getWidth()));
    }
}

void DialogLook::drawComboBox(juce::Graphics& g, int width, int height, bool isButtonDown, int, int, int, int,
                              juce::ComboBox& box)
{
    const juce::Rectangle<int> area(0, 0, width, height);
    g.setColour(box.isEnabled() ? juce::Colours::white : face);
    g.fillRect(area.reduced(2));
    drawEdge(g, area, false);
    const juce::Rectangle<int> button(width - 2 - kComboButtonWidth, 2, kComboButtonWidth, height - 4);
    g.setColour(face);
    g.fillRect(button);
    if (isButtonDown) {
        g.setColour(shadow);
        g.drawRect(button);
    } else {
        drawEdge(g, button, true);
    }
    juce::Path arrow;
    const float cx = static_cast<float>(button.getCentreX()) + (isButtonDown ? 1.0f : 0.0f);
    const float cy = static_cast<float>(button.getCentreY()) + (isButtonDown ? 1.0f : 0.0f);
    arrow.addTriangle(cx - 3.5f, cy - 1.5f, cx + 3.5f, cy - 1.5f, cx, cy + 2.0f);
    g.setColour(box.isEnabled() ? juce::Colours::black : greyText);
    g.fillPath(arrow);
    // The text is the box's label; a disabled list shows it grey. (The colour is set only when it changes.)
    if (auto* label = dynamic_cast<juce::Label*>(box.getChildComponent(0)))
        label->setColour(juce::Label::textColourId, box.isEnabled() ? juce::Colours::black : greyText);
}

juce::Font DialogLook::getComboBoxFont(juce::ComboBox& box)
{
    return controlFont(box);
}

void DialogLook::positionComboBoxText(juce::ComboBox& box, juce::Label& label)
{
    label.setBounds(3, 3, box.getWidth() - 6 - kComboButtonWidth, box.getHeight() - 6);
    label.setFont(getComboBoxFont(box));
    label.setBorderSize({0, 1, 0, 1});
}

juce::Label* DialogLook::createComboBoxTextBox(juce::ComboBox& box)
{
    auto* label = LookAndFeel_V4::createComboBoxTextBox(box);
    label->setJustificationType(juce::Justification::centredLeft);
    return label;
}

juce::Font DialogLook::getPopupMenuFont()
{
    const FontFace& face = mappedFace(u"MS Shell Dlg", FW_NORMAL);
    return juce::Font(face.typeface).withHeight(static_cast<float>(kMenuEm * face.juceHeightPerEm));
}

void DialogLook::drawPopupMenuBackground(juce::Graphics& g, int width, int height)
{
    g.fillAll(juce::Colours::white);
    g.setColour(juce::Colours::black);
    g.drawRect(0, 0, width, height);
}

void DialogLook::drawPopupMenuItem(juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator, bool,
                                   bool isHighlighted, bool, bool, const juce::String& text, const juce::String&,
                                   const juce::Drawable*, const juce::Colour*)
{
    if (isSeparator) {
        g.setColour(shadow);
        g.fillRect(area.withHeight(1).withY(area.getCentreY()));
        return;
    }
    g.setColour(isHighlighted ? kSelection : juce::Colours::white);
    g.fillRect(area);
    g.setColour(isHighlighted ? juce::Colours::white : juce::Colours::black);
    g.setFont(getPopupMenuFont());
    g.drawText(text, area.withTrimmedLeft(3), juce::Justification::centredLeft, true);
}

void DialogLook::getIdealPopupMenuItemSize(const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                           int& idealWidth, int& idealHeight)
{
    idealHeight = isSeparator ? 5 : std::max(standardMenuItemHeight, 15);
    idealWidth = getPopupMenuFont().getStringWidth(text) + 8;
}

} // namespace win32::detail
