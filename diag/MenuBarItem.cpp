#include "MenuBarItem.h"

#include "DiagLookAndFeel.h"

namespace diag {

MenuBarItem::MenuBarItem(const juce::String& caption)
{
    setName(caption);
    setTitle(caption);
    setMouseCursor(juce::MouseCursor::NormalCursor);
}

int MenuBarItem::preferredWidth() const
{
    return DiagLookAndFeel::dialogFont().getStringWidth(getName()) + 14;
}

void MenuBarItem::paint(juce::Graphics& g)
{
    if (isHovered || isPressed) {
        g.setColour(isPressed ? juce::Colour(0xffcce4f7) : juce::Colour(0xffe5f1fb));
        g.fillRect(getLocalBounds());
        g.setColour(juce::Colour(0xff99c9ef));
        g.drawRect(getLocalBounds(), 1);
    }
    g.setColour(juce::Colours::black);
    g.setFont(DiagLookAndFeel::dialogFont());
    g.drawText(getName(), getLocalBounds(), juce::Justification::centred, false);
}

void MenuBarItem::mouseEnter(const juce::MouseEvent&)
{
    isHovered = true;
    repaint();
}

void MenuBarItem::mouseExit(const juce::MouseEvent&)
{
    isHovered = false;
    repaint();
}

void MenuBarItem::mouseDown(const juce::MouseEvent&)
{
    isPressed = true;
    repaint();
}

void MenuBarItem::mouseUp(const juce::MouseEvent& event)
{
    isPressed = false;
    repaint();
    if (getLocalBounds().contains(event.getPosition()) && onClick)
        onClick();
}

} // namespace diag
