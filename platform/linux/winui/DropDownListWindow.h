// A drop-down list control ("ComboBox" with CBS_DROPDOWNLIST). The CB_
// messages fill and select it without notifying the dialog; every choice the
// user makes, also of the item already selected, sends CBN_SELCHANGE. The
// height MoveWindow gives is the height of the dropped list; the closed field
// is as high as the font needs, as on Windows.
#pragma once

#include "WindowObject.h"

#include <string>
#include <vector>

namespace win32::detail {

class DropDownListWindow : public WindowObject, public juce::ComboBox
{
public:
    DropDownListWindow(HWND parent, int id, DWORD style, DWORD exStyle);

    juce::Component& component() override { return *this; }
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void move(juce::Rectangle<int> bounds) override;

    void showPopup() override;

    int fieldHeight() const;
    int droppedHeight() const { return dropped; }

protected:
    void fontChanged() override;

private:
    bool sorted() const { return (style() & CBS_SORT) != 0; }
    int addString(const std::string& text);
    int selectString(int start, const std::string& prefix);
    void select(int index);
    void rebuild();
    void userChose(int index);

    std::vector<std::string> items; // Windows Latin-1, in list order
    int selected = -1;
    int dropped = 0;
};

} // namespace win32::detail
