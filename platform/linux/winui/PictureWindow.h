// A picture control ("Static" with SS_BITMAP or SS_ICON): the bitmap or icon
// the template names, drawn at its own size from the control's top left. It
// takes the image's size when created, as Windows does, and lets clicks pass
// to the controls over it.
#pragma once

#include "WindowObject.h"

namespace win32::detail {

class PictureWindow : public WindowObject, public juce::Component
{
public:
    PictureWindow(HWND parent, int id, DWORD style, DWORD exStyle, juce::Image image);

    juce::Component& component() override { return *this; }
    void paint(juce::Graphics& g) override;

private:
    juce::Image image;
};

// A text control ("Static" with SS_LEFT and its kin): the title, left-aligned.
class StaticTextWindow : public WindowObject, public juce::Component
{
public:
    StaticTextWindow(HWND parent, int id, DWORD style, DWORD exStyle, const juce::String& text);

    juce::Component& component() override { return *this; }
    void paint(juce::Graphics& g) override;

private:
    juce::String text;
};

} // namespace win32::detail
