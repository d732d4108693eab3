// A push button control ("Button" with BS_PUSHBUTTON or BS_DEFPUSHBUTTON).
#pragma once

#include "WindowObject.h"

namespace win32::detail {

class PushButtonWindow : public WindowObject, public juce::TextButton
{
public:
    PushButtonWindow(HWND parent, int id, DWORD style, DWORD exStyle, const juce::String& text);

    juce::Component& component() override { return *this; }
    bool isDefaultButton() const { return (style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

protected:
    void clicked() override;
};

} // namespace win32::detail
