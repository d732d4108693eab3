// DialogDpiLayout on dialogs the dialog manager built at another DPI.
#include "MessageLoop.h"

#include "DialogDpiLayout.h"

#include <win32/WindowSystem.h>

#include <gtest/gtest.h>

#include <vector>

extern const unsigned char layoutTemplatesRes[];
extern const std::size_t layoutTemplatesResSize;

namespace {

constexpr UINT kUnalignedFirstItem = 200;
constexpr UINT kAlignedFirstItem = 201;

// The test templates' items (dialog units): three texts sharing id -1, a push button, a check box.
struct Item
{
    int id, x, y, cx, cy;
};
const std::vector<Item> kItems = {
    {-1, 4, 4, 40, 8}, {-1, 50, 20, 40, 8}, {-1, 96, 36, 40, 8}, {10, 20, 60, 50, 14}, {11, 100, 62, 10, 11}};

INT_PTR CALLBACK plainDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

RECT rectAt(const Item& item, int baseX, int baseY)
{
    auto round = [](double v) { return static_cast<LONG>(v + 0.5); };
    const LONG x = round(item.x * baseX / 4.0), y = round(item.y * baseY / 8.0);
    return {x, y, x + round(item.cx * baseX / 4.0), y + round(item.cy * baseY / 8.0)};
}

class DialogDpiLayoutTest : public ::testing::Test
{
protected:
    DialogDpiLayoutTest() : module(win32::loadResourceModule(layoutTemplatesRes, layoutTemplatesResSize)) {}
    ~DialogDpiLayoutTest() override
    {
        if (dialog != nullptr)
            DestroyWindow(dialog);
        win32::setSystemDpi(0);
        testing_loop::dispatchPending();
    }

    void create(UINT templateId, int systemDpi)
    {
        win32::setSystemDpi(systemDpi);
        dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(templateId), nullptr, plainDialog, 0);
        ASSERT_NE(dialog, nullptr);
    }

    // The controls' rectangles in the dialog's client area, in template order.
    std::vector<RECT> controls() const
    {
        std::vector<RECT> rects;
        POINT origin = {0, 0};
        ClientToScreen(dialog, &origin);
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT rect;
            GetWindowRect(child, &rect);
            rects.push_back({rect.left - origin.x, rect.top - origin.y, rect.right - origin.x, rect.bottom - origin.y});
        }
        return rects;
    }

    static void expectRect(const RECT& actual, const RECT& expected)
    {
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
    }

    HMODULE module;
    HWND dialog = nullptr;
};

TEST_F(DialogDpiLayoutTest, BaseUnitsFollowTheDpi)
{
    create(kAlignedFirstItem, 96);
    const std::pair<double, std::pair<int, int>> cases[] = {{96.0, {6, 13}}, {120.0, {7, 16}}, {144.0, {9, 19}}};
    for (const auto& [dpi, units] : cases) {
        DialogDpiLayout layout;
        layout.apply(module, dialog, kAlignedFirstItem, dpi);
        EXPECT_EQ(layout.baseWidth(), units.first) << dpi;
        EXPECT_EQ(layout.baseHeight(), units.second) << dpi;
    }
}

TEST_F(DialogDpiLayoutTest, At96DpiTheDialogKeepsTheSizeTheDialogManagerGaveIt)
{
    create(kAlignedFirstItem, 96);
    RECT before, after;
    GetWindowRect(dialog, &before);
    const auto controlsBefore = controls();
    {
        DialogDpiLayout layout;
        layout.apply(module, dialog, kAlignedFirstItem, 96.0);
    }
    GetWindowRect(dialog, &after);
    expectRect(after, before);
    const auto controlsAfter = controls();
    ASSERT_EQ(controlsAfter.size(), controlsBefore.size());
    for (std::size_t i = 0; i < controlsAfter.size(); ++i)
        expectRect(controlsAfter[i], controlsBefore[i]);
}

// Items sharing an id are matched in template order, and the first item is
// found after its padding as well as without it.
TEST_F(DialogDpiLayoutTest, ItemsAreMatchedInTemplateOrderWhateverTheCaption)
{
    for (const UINT templateId : {kUnalignedFirstItem, kAlignedFirstItem}) {
        SCOPED_TRACE(templateId);
        create(templateId, 120);
        RECT client;
        {
            DialogDpiLayout layout;
            layout.apply(module, dialog, templateId, 96.0);
        }
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, 240);  // 160 units at 6
        EXPECT_EQ(client.bottom, 146); // 90 units at 13
        const auto rects = controls();
        ASSERT_EQ(rects.size(), kItems.size());
        for (std::size_t i = 0; i < kItems.size(); ++i)
            expectRect(rects[i], rectAt(kItems[i], 6, 13));
        DestroyWindow(dialog);
        dialog = nullptr;
    }
}

TEST_F(DialogDpiLayoutTest, AMissingControlEndsTheWalk)
{
    create(kAlignedFirstItem, 120);
    const auto at120 = controls();
    DestroyWindow(GetDlgItem(dialog, 10));
    {
        DialogDpiLayout layout;
        layout.apply(module, dialog, kAlignedFirstItem, 96.0);
    }
    const auto rects = controls();
    ASSERT_EQ(rects.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i)
        expectRect(rects[i], rectAt(kItems[i], 6, 13));
    expectRect(rects[3], at120[4]); // the check box after the missing button stays where it was
}

TEST_F(DialogDpiLayoutTest, ControlsGetTheirFontBackWhenTheLayoutGoes)
{
    create(kAlignedFirstItem, 120);
    const HWND button = GetDlgItem(dialog, 10);
    const LRESULT dialogFont = SendMessageA(dialog, WM_GETFONT, 0, 0);
    const LRESULT buttonFont = SendMessageA(button, WM_GETFONT, 0, 0);
    {
        DialogDpiLayout layout;
        layout.apply(module, dialog, kAlignedFirstItem, 96.0);
        EXPECT_NE(SendMessageA(button, WM_GETFONT, 0, 0), buttonFont);
        EXPECT_NE(SendMessageA(dialog, WM_GETFONT, 0, 0), dialogFont);
    }
    EXPECT_EQ(SendMessageA(button, WM_GETFONT, 0, 0), buttonFont);
    EXPECT_EQ(SendMessageA(dialog, WM_GETFONT, 0, 0), dialogFont);
}

TEST(DialogLayoutTemplateTest, ReadsOnlyWholeExtendedTemplates)
{
    HMODULE module = win32::loadResourceModule(layoutTemplatesRes, layoutTemplatesResSize);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(kUnalignedFirstItem), RT_DIALOG);
    ASSERT_NE(resource, nullptr);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const std::vector<BYTE> bytes(data, data + SizeofResource(module, resource));

    DialogLayoutTemplate layout;
    ASSERT_TRUE(readDialogLayoutTemplate(bytes.data(), bytes.size(), layout));
    EXPECT_EQ(layout.cx, 160);
    EXPECT_EQ(layout.pointSize, 8);
    EXPECT_TRUE(layout.faceName == u"MS Shell Dlg");
    EXPECT_EQ(layout.items.size(), kItems.size());

    // Cut short inside the last item: the items before it stand.
    ASSERT_TRUE(readDialogLayoutTemplate(bytes.data(), bytes.size() - 4, layout));
    EXPECT_EQ(layout.items.size(), kItems.size() - 1);
    // Cut inside the font, or not the extended form: nothing is read.
    EXPECT_FALSE(readDialogLayoutTemplate(bytes.data(), 60, layout));
    std::vector<BYTE> plain = bytes;
    plain[2] = 0;
    EXPECT_FALSE(readDialogLayoutTemplate(plain.data(), plain.size(), layout));
}

} // namespace
