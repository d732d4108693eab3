#include "DiagWindow.h"

namespace diag {

const char* const DiagWindow::kCaption = " Ostrel Tessary Diagnostics";

DiagWindow::DiagWindow(DiagTool& tool_, std::function<void()> onAbout)
    : juce::DocumentWindow(kCaption, juce::Colour(0xfff0f0f0), juce::DocumentWindow::closeButton, false), tool(tool_),
      content(tool_, std::move(onAbout))
{
    setUsingNativeTitleBar(true);
    setContentNonOwned(&content, true);
    setResizable(false, false);
}

void DiagWindow::show()
{
    centreWithSize(getWidth(), getHeight());
    addToDesktop(getDesktopWindowStyleFlags());
    setIcon(icon());
    setVisible(true);
    toFront(true);
}

void DiagWindow::closeButtonPressed()
{
    tool.cancel();
}

juce::Image DiagWindow::icon()
{
    juce::Image image(juce::Image::ARGB, 16, 16, true);
    juce::Graphics g(image);
    g.setColour(juce::Colour(0xff1f5fa8));
    g.fillEllipse(1.0f, 1.0f, 14.0f, 14.0f);
    g.setColour(juce::Colours::white);
    g.drawLine(8.0f, 8.0f, 8.0f, 3.5f, 1.5f);
    g.drawLine(8.0f, 8.0f, 11.5f, 9.5f, 1.5f);
    return image;
}

} // namespace diag
