// A check box control ("Button" with BS_CHECKBOX or BS_AUTOCHECKBOX). Only a
// click notifies the dialog; BM_SETCHECK changes the box silently.
#pragma once

#include "WindowObject.h"

namespace win32::detail {

class CheckBoxWindow : public WindowObject, public juce::ToggleButton
{
public:
    CheckBoxWindow(HWND parent, int id, DWORD style, DWORD exStyle, const juce::String& text);

    juce::Component& component() override { return *this; }
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void clicked() override;
};

} // namespace win32::detail
