// Menus shown as JUCE popups in the look of the classic Windows menu: grey,
// raised, the default item in bold, check marks in the left margin.
#include "DialogLook.h"
#include "FontObject.h"
#include "MenuSnapshot.h"
#include "QueuedXEvents.h"
#include "WindowPort.h"
#include "WindowText.h"

#include <memory>

namespace juce {
// One step of JUCE's message loop, as the window side's modal loops take it.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

namespace win32::detail {

namespace {

constexpr int kMenuEm = 11;
constexpr int kCheckColumn = 18;
constexpr int kArrowColumn = 16;
// JUCE's menu items carry no weight of their own, so the default item is told
// apart by the colour its text is given; the look draws that text black, bold.
const juce::Colour kDefaultItemMarker{0xFE000001};

juce::Font menuFont(bool bold)
{
    const FontFace& face = mappedFace(u"Tahoma", bold ? FW_BOLD : FW_NORMAL);
    return juce::Font(face.typeface).withHeight(static_cast<float>(kMenuEm * face.juceHeightPerEm));
}

class MenuLook : public DialogLook
{
public:
    static MenuLook& instance()
    {
        static MenuLook look;
        return look;
    }

    juce::Font getPopupMenuFont() override { return menuFont(false); }

    void drawPopupMenuBackground(juce::Graphics& g, int width, int height) override
    {
        g.fillAll(face);
        drawEdge(g, {0, 0, width, height}, true);
    }

    int getPopupMenuBorderSize() override { return 3; }

    void getIdealPopupMenuItemSize(const juce::String& text, bool isSeparator, int, int& idealWidth,
                                   int& idealHeight) override
    {
        idealHeight = isSeparator ? 9 : 17;
        idealWidth = kCheckColumn + menuFont(true).getStringWidth(text) + kArrowColumn + 24;
    }

    void drawPopupMenuItem(juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator, bool isActive,
                           bool isHighlighted, bool isTicked, bool hasSubMenu, const juce::String& text,
                           const juce::String& shortcut, const juce::Drawable*, const juce::Colour* textColour) override
    {
        if (isSeparator) {
            const int y = area.getCentreY() - 1;
            g.setColour(shadow);
            g.fillRect(area.getX() + 1, y, area.getWidth() - 2, 1);
            g.setColour(highlight);
            g.fillRect(area.getX() + 1, y + 1, area.getWidth() - 2, 1);
            return;
        }
        const bool lit = isHighlighted && isActive;
        g.setColour(lit ? juce::Colour(0xFF0A246A) : face);
        g.fillRect(area);
        const juce::Colour ink = lit ? juce::Colours::white : juce::Colours::black;
        const bool bold = textColour != nullptr && *textColour == kDefaultItemMarker;
        g.setFont(menuFont(bold));
        auto drawLabel = [&](juce::Colour colour, int offset) {
            g.setColour(colour);
            const auto textArea =
                area.withTrimmedLeft(kCheckColumn).withTrimmedRight(kArrowColumn).translated(offset, offset);
            g.drawText(text, textArea, juce::Justification::centredLeft, true);
            if (shortcut.isNotEmpty())
                g.drawText(shortcut, textArea, juce::Justification::centredRight, true);
        };
        if (isActive) {
            drawLabel(ink, 0);
        } else {
            if (!lit)
                drawLabel(highlight, 1); // the etched look of a greyed item
            drawLabel(shadow, 0);
        }
        g.setColour(isActive ? ink : shadow);
        if (isTicked) {
            const auto box = juce::Rectangle<float>(static_cast<float>(area.getX() + 5),
                                                    static_cast<float>(area.getCentreY() - 4), 8.0f, 7.0f);
            juce::Path tick;
            tick.startNewSubPath(box.getX(), box.getCentreY());
            tick.lineTo(box.getX() + 3.0f, box.getBottom());
            tick.lineTo(box.getRight(), box.getY());
            g.strokePath(tick, juce::PathStrokeType(2.0f));
        }
        if (hasSubMenu) {
            const float x = static_cast<float>(area.getRight() - kArrowColumn + 6);
            const float y = static_cast<float>(area.getCentreY());
            juce::Path arrow;
            arrow.addTriangle(x, y - 4.0f, x, y + 4.0f, x + 4.0f, y);
            g.fillPath(arrow);
        }
    }
};

juce::PopupMenu popupOf(const std::vector<MenuSnapshot::Item>& items)
{
    juce::PopupMenu menu;
    menu.setLookAndFeel(&MenuLook::instance());
    for (const auto& source : items) {
        if (source.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        std::string shortcut;
        const juce::String label = juceTextOfAnsi(menuItemLabel(source.text, &shortcut).c_str());
        if (source.isPopup()) {
            menu.addSubMenu(label, popupOf(source.items), source.isEnabled());
            continue;
        }
        juce::PopupMenu::Item item(label);
        item.itemID = static_cast<int>(source.id);
        item.isEnabled = source.isEnabled();
        item.isTicked = source.isChecked();
        item.shortcutKeyDescription = juceTextOfAnsi(shortcut.c_str());
        if (source.isDefault)
            item.colour = kDefaultItemMarker;
        menu.addItem(std::move(item));
    }
    return menu;
}

juce::PopupMenu::Options optionsAt(POINT at)
{
    return juce::PopupMenu::Options().withTargetScreenArea({static_cast<int>(at.x), static_cast<int>(at.y), 1, 1});
}

} // namespace

UINT choosePopupMenuItem(const MenuSnapshot& menu, POINT at)
{
    // Shared with the popup's callback, which may come after this returned (a WM_QUIT ended the wait).
    struct Choice
    {
        bool closed = false;
        int chosen = 0;
    };
    auto choice = std::make_shared<Choice>();
    popupOf(menu.items).showMenuAsync(optionsAt(at), [choice](int chosen) {
        choice->chosen = chosen;
        choice->closed = true;
    });
    while (!choice->closed && !quitPosted()) {
        wakeForQueuedXEvents();
        juce::dispatchNextMessageOnSystemQueue(false);
    }
    if (!choice->closed)
        juce::PopupMenu::dismissAllActiveMenus();
    return choice->closed && choice->chosen > 0 ? static_cast<UINT>(choice->chosen) : 0;
}

void showPopupMenu(const MenuSnapshot& menu, POINT at, HWND owner, UINT commandMessage)
{
    popupOf(menu.items).showMenuAsync(optionsAt(at), [owner, commandMessage](int chosen) {
        // Command ids are 16 bits; 0 means the menu was dismissed.
        if (chosen > 0)
            PostMessageA(owner, commandMessage, static_cast<WPARAM>(chosen), 0);
    });
}

} // namespace win32::detail
