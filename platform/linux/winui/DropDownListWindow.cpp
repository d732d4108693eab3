#include "DropDownListWindow.h"

#include "ByteReader.h"
#include "FontObject.h"
#include "WindowText.h"

#include <cstring>

namespace win32::detail {

namespace {

constexpr int kFieldPadding = 8; // border and selection frame around the text
constexpr int kDefaultFieldHeight = 21;

std::string lowered(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

DropDownListWindow::DropDownListWindow(HWND parent, int id, DWORD style, DWORD exStyle)
    : WindowObject(parent, id, style, exStyle)
{
    setWantsKeyboardFocus((style & WS_TABSTOP) != 0);
    // Keys and the wheel change the selection through JUCE; only they notify through onChange.
    onChange = [this] {
        selected = getSelectedItemIndex();
        notifyParent(CBN_SELCHANGE);
    };
}

LRESULT DropDownListWindow::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const char* text = reinterpret_cast<const char*>(lParam);
    switch (msg) {
    case CB_ADDSTRING:
        return text == nullptr ? CB_ERR : addString(text);
    case CB_RESETCONTENT:
        items.clear();
        selected = -1;
        rebuild();
        return 0;
    case CB_GETCOUNT:
        return static_cast<LRESULT>(items.size());
    case CB_GETCURSEL:
        return selected;
    case CB_SETCURSEL: {
        const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
        if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
            select(-1);
            return CB_ERR;
        }
        select(index);
        return index;
    }
    case CB_SELECTSTRING:
        return text == nullptr ? CB_ERR : selectString(static_cast<int>(static_cast<std::intptr_t>(wParam)), text);
    case CB_GETLBTEXTLEN:
        return wParam < items.size() ? static_cast<LRESULT>(items[wParam].size()) : CB_ERR;
    case CB_GETLBTEXT:
        if (wParam >= items.size() || lParam == 0)
            return CB_ERR;
        std::memcpy(reinterpret_cast<char*>(lParam), items[wParam].c_str(), items[wParam].size() + 1);
        return static_cast<LRESULT>(items[wParam].size());
    case CB_GETDROPPEDCONTROLRECT:
        if (auto* rect = reinterpret_cast<RECT*>(lParam)) {
            const auto field = getScreenBounds();
            *rect = {field.getX(), field.getY(), field.getRight(), field.getY() + dropped};
            return TRUE;
        }
        return FALSE;
    default:
        return WindowObject::message(msg, wParam, lParam);
    }
}

int DropDownListWindow::addString(const std::string& text)
{
    std::size_t position = items.size();
    if (sorted()) {
        const std::string key = lowered(text);
        position = 0;
        while (position < items.size() && lowered(items[position]) <= key)
            ++position;
        if (selected >= static_cast<int>(position))
            ++selected;
    }
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(position), text);
    rebuild();
    return static_cast<int>(position);
}

// Windows looks for the first item after `start` that begins with the text, wrapping round.
int DropDownListWindow::selectString(int start, const std::string& prefix)
{
    const std::size_t count = items.size();
    if (count == 0)
        return CB_ERR;
    const std::string key = lowered(prefix);
    const std::size_t first =
        start < 0 || static_cast<std::size_t>(start) >= count ? 0 : static_cast<std::size_t>(start) + 1;
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t index = (first + n) % count;
        if (lowered(items[index]).compare(0, key.size(), key) == 0) {
            select(static_cast<int>(index));
            return static_cast<int>(index);
        }
    }
    return CB_ERR;
}

void DropDownListWindow::select(int index)
{
    selected = index;
    if (index < 0)
        setSelectedId(0, juce::dontSendNotification);
    else
        setSelectedItemIndex(index, juce::dontSendNotification);
}

void DropDownListWindow::rebuild()
{
    clear(juce::dontSendNotification);
    for (std::size_t i = 0; i < items.size(); ++i)
        addItem(juceTextOfAnsi(items[i]), static_cast<int>(i) + 1);
    select(selected);
}

void DropDownListWindow::showPopup()
{
    juce::PopupMenu menu;
    for (std::size_t i = 0; i < items.size(); ++i)
        menu.addItem(static_cast<int>(i) + 1, juceTextOfAnsi(items[i]), true, static_cast<int>(i) == selected);
    menu.setLookAndFeel(&getLookAndFeel());
    const auto options = juce::PopupMenu::Options()
                             .withTargetComponent(this)
                             .withItemThatMustBeVisible(selected + 1)
                             .withInitiallySelectedItem(selected + 1)
                             .withMinimumWidth(getWidth())
                             .withMaximumNumColumns(1)
                             .withStandardItemHeight(juce::roundToInt(juceFont().getHeight()) + 4);
    juce::Component::SafePointer<DropDownListWindow> self(this);
    menu.showMenuAsync(options, [self](int result) {
        if (self == nullptr)
            return;
        self->hidePopup();
        if (result > 0)
            self->userChose(result - 1);
    });
}

void DropDownListWindow::userChose(int index)
{
    select(index);
    notifyParent(CBN_SELCHANGE);
}

int DropDownListWindow::fieldHeight() const
{
    auto font = UserObjects::instance().lookupAs<FontObject>(fontHandle());
    return font ? static_cast<int>(font->textMetrics().tmHeight) + kFieldPadding : kDefaultFieldHeight;
}

void DropDownListWindow::move(juce::Rectangle<int> bounds)
{
    dropped = bounds.getHeight();
    setBounds(bounds.withHeight(fieldHeight()));
}

void DropDownListWindow::fontChanged()
{
    setSize(getWidth(), fieldHeight());
}

} // namespace win32::detail
