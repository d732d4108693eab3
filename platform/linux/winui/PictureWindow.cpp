#include "PictureWindow.h"

namespace win32::detail {

PictureWindow::PictureWindow(HWND parent, int id, DWORD style, DWORD exStyle, juce::Image picture)
    : WindowObject(parent, id, style, exStyle), image(std::move(picture))
{
    setInterceptsMouseClicks(false, false);
    if (image.isValid())
        setSize(image.getWidth(), image.getHeight());
}

void PictureWindow::paint(juce::Graphics& g)
{
    if (image.isValid())
        g.drawImageAt(image, 0, 0);
}

StaticTextWindow::StaticTextWindow(HWND parent, int id, DWORD style, DWORD exStyle, const juce::String& title)
    : WindowObject(parent, id, style, exStyle), text(title)
{
    setInterceptsMouseClicks(false, false);
}

void StaticTextWindow::paint(juce::Graphics& g)
{
    g.setColour(juce::Colours::black);
    g.setFont(juceFont());
    g.drawFittedText(text.replace("&", ""), getLocalBounds(), juce::Justification::topLeft, 8, 1.0f);
}

} // namespace win32::detail
