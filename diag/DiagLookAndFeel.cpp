#include "DiagLookAndFeel.h"

namespace diag {
namespace {

const juce::Colour kFace{0xfff0f0f0};
const juce::Colour kText{0xff000000};
const juce::Colour kEdge{0xffa0a0a0};
const juce::Colour kAccent{0xff0060c0};

} // namespace

DiagLookAndFeel::DiagLookAndFeel()
{
    auto scheme = getLightColourScheme();
    scheme.setUIColour(ColourScheme::windowBackground, kFace);
    scheme.setUIColour(ColourScheme::widgetBackground, juce::Colour(0xffe1e1e1));
    scheme.setUIColour(ColourScheme::outline, kEdge);
    scheme.setUIColour(ColourScheme::defaultText, kText);
    scheme.setUIColour(ColourScheme::defaultFill, kAccent);
    scheme.setUIColour(ColourScheme::highlightedText, juce::Colours::white);
    scheme.setUIColour(ColourScheme::highlightedFill, kAccent);
    scheme.setUIColour(ColourScheme::menuBackground, kFace);
    scheme.setUIColour(ColourScheme::menuText, kText);
    setColourScheme(scheme);

    setColour(juce::ResizableWindow::backgroundColourId, kFace);
    setColour(juce::Label::textColourId, kText);
    setColour(juce::ToggleButton::textColourId, kText);
    setColour(juce::ToggleButton::tickColourId, kText);
    setColour(juce::ToggleButton::tickDisabledColourId, kEdge);
    setColour(juce::TextButton::buttonColourId, juce::Colour(0xffe1e1e1));
    setColour(juce::TextButton::textColourOffId, kText);
    setColour(juce::TextButton::textColourOnId, kText);
    setColour(juce::GroupComponent::outlineColourId, juce::Colour(0xffc0c0c0));
    setColour(juce::GroupComponent::textColourId, kText);
    setColour(juce::AlertWindow::backgroundColourId, kFace);
    setColour(juce::AlertWindow::textColourId, kText);
    setColour(juce::AlertWindow::outlineColourId, kEdge);
}

juce::Font DiagLookAndFeel::dialogFont()
{
    return juce::Font("DejaVu Sans", "Condensed", 12.0f);
}

juce::Font DiagLookAndFeel::getLabelFont(juce::Label&)
{
    return dialogFont();
}

juce::Font DiagLookAndFeel::getTextButtonFont(juce::TextButton&, int)
{
    return dialogFont();
}

juce::Font DiagLookAndFeel::getAlertWindowMessageFont()
{
    return dialogFont().withHeight(13.0f);
}

juce::Font DiagLookAndFeel::getAlertWindowTitleFont()
{
    return dialogFont().withHeight(14.0f).boldened();
}

juce::Font DiagLookAndFeel::getAlertWindowFont()
{
    return dialogFont().withHeight(13.0f);
}

void DiagLookAndFeel::drawLabel(juce::Graphics& g, juce::Label& label)
{
    g.fillAll(label.findColour(juce::Label::backgroundColourId));
    if (label.isBeingEdited())
        return;
    const auto area = label.getBorderSize().subtractedFrom(label.getLocalBounds()).toFloat();
    juce::AttributedString text;
    text.setText(label.getText());
    text.setFont(getLabelFont(label));
    text.setColour(label.findColour(juce::Label::textColourId).withMultipliedAlpha(label.isEnabled() ? 1.0f : 0.5f));
    text.setJustification(label.getJustificationType());
    text.setWordWrap(juce::AttributedString::byWord);
    juce::TextLayout layout;
    layout.createLayout(text, area.getWidth());
    layout.draw(g, area);
}

void DiagLookAndFeel::drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool highlighted, bool down)
{
    const float boxSize = 13.0f;
    const float top = (static_cast<float>(button.getHeight()) - boxSize) * 0.5f;
    drawTickBox(g, button, 1.0f, top, boxSize, boxSize, button.getToggleState(), button.isEnabled(), highlighted, down);
    g.setColour(
        button.findColour(juce::ToggleButton::textColourId).withMultipliedAlpha(button.isEnabled() ? 1.0f : 0.5f));
    g.setFont(dialogFont());
    g.drawText(button.getButtonText(), button.getLocalBounds().withTrimmedLeft(kOptionBoxWidth),
               juce::Justification::centredLeft, false);
    if (button.hasKeyboardFocus(false)) {
        const int textWidth = dialogFont().getStringWidth(button.getButtonText());
        g.setColour(kEdge);
        g.drawRect(juce::Rectangle<int>(kOptionBoxWidth - 2, 0, textWidth + 4, button.getHeight()), 1);
    }
}

void DiagLookAndFeel::drawTickBox(juce::Graphics& g, juce::Component&, float x, float y, float w, float h, bool ticked,
                                  bool enabled, bool highlighted, bool down)
{
    const juce::Rectangle<float> circle(x, y, w, h);
    g.setColour(down ? juce::Colour(0xffcce4f7) : juce::Colours::white);
    g.fillEllipse(circle);
    g.setColour(highlighted && enabled ? kAccent : juce::Colour(0xff333333));
    g.drawEllipse(circle.reduced(0.5f), 1.0f);
    if (ticked) {
        g.setColour(enabled ? juce::Colour(0xff1a1a1a) : kEdge);
        g.fillEllipse(circle.reduced(w * 0.3f));
    }
}

void DiagLookAndFeel::drawButtonBackground(juce::Graphics& g, juce::Button& button, const juce::Colour& background,
                                           bool highlighted, bool down)
{
    const auto bounds = button.getLocalBounds().toFloat().reduced(0.5f);
    auto fill = background;
    if (down)
        fill = juce::Colour(0xffcce4f7);
    else if (highlighted)
        fill = juce::Colour(0xffe5f1fb);
    g.setColour(fill);
    g.fillRect(bounds);
    g.setColour(highlighted || down || button.hasKeyboardFocus(false) ? kAccent : juce::Colour(0xffadadad));
    g.drawRect(bounds, 1.0f);
}

void DiagLookAndFeel::drawAlertBox(juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>&,
                                   juce::TextLayout& textLayout)
{
    g.fillAll(alert.findColour(juce::AlertWindow::backgroundColourId));
    g.setColour(alert.findColour(juce::AlertWindow::outlineColourId));
    g.drawRect(alert.getLocalBounds(), 1);

    // The alert window leaves 80 pixels at the left for the icon when it has one.
    const bool warning = alert.getAlertType() == juce::MessageBoxIconType::WarningIcon;
    const int iconSpace = alert.getAlertType() == juce::MessageBoxIconType::NoIcon ? 0 : 80;
    if (warning) {
        const juce::Rectangle<float> icon(24.0f, 18.0f, 36.0f, 32.0f);
        juce::Path triangle;
        triangle.addTriangle(icon.getCentreX(), icon.getY(), icon.getRight(), icon.getBottom(), icon.getX(),
                             icon.getBottom());
        triangle = triangle.createPathWithRoundedCorners(3.0f);
        g.setColour(juce::Colour(0xfff5c400));
        g.fillPath(triangle);
        g.setColour(juce::Colour(0xff8a6d00));
        g.strokePath(triangle, juce::PathStrokeType(1.0f));
        g.setColour(juce::Colours::black);
        g.setFont(juce::Font(20.0f, juce::Font::bold));
        g.drawText("!", icon.withTrimmedTop(9.0f), juce::Justification::centred, false);
    }

    g.setColour(alert.findColour(juce::AlertWindow::textColourId));
    const juce::Rectangle<int> text(iconSpace + 16, 16, alert.getWidth() - iconSpace - 32,
                                    alert.getHeight() - getAlertWindowButtonHeight() - 32);
    textLayout.draw(g, text.toFloat());
}

int DiagLookAndFeel::getAlertWindowButtonHeight()
{
    return 26;
}

void DiagLookAndFeel::drawGroupComponentOutline(juce::Graphics& g, int width, int height, const juce::String& text,
                                                const juce::Justification&, juce::GroupComponent& group)
{
    const auto font = dialogFont();
    const float textTop = font.getHeight() * 0.5f;
    const float textStart = 8.0f;
    const float textWidth = static_cast<float>(font.getStringWidth(text)) + 6.0f;
    const juce::Rectangle<float> box(0.5f, textTop, static_cast<float>(width) - 1.0f,
                                     static_cast<float>(height) - textTop - 0.5f);

    juce::Path outline;
    outline.startNewSubPath(textStart, box.getY());
    outline.lineTo(box.getX(), box.getY());
    outline.lineTo(box.getX(), box.getBottom());
    outline.lineTo(box.getRight(), box.getBottom());
    outline.lineTo(box.getRight(), box.getY());
    outline.lineTo(textStart + textWidth, box.getY());
    g.setColour(group.findColour(juce::GroupComponent::outlineColourId));
    g.strokePath(outline, juce::PathStrokeType(1.0f));

    g.setColour(group.findColour(juce::GroupComponent::textColourId));
    g.setFont(font);
    g.drawText(text, juce::Rectangle<float>(textStart + 3.0f, 0.0f, textWidth, font.getHeight()),
               juce::Justification::centredLeft, false);
}

} // namespace diag
