// Readers of resource data that other programs write: bitmaps and icon
// images in their depths and row orders, menus and initial dialog data,
// including what they must refuse.
#include <DialogInitData.h>
#include <DialogTemplate.h>
#include <DibImage.h>
#include <MenuTemplate.h>

#include <winuser.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace win32::detail;

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, static_cast<std::uint16_t>(v));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}

// A BITMAPINFOHEADER followed by `rest` (palette and rows).
Bytes dib(std::int32_t width, std::int32_t height, std::uint16_t bits, const Bytes& rest, std::uint32_t colours = 0)
{
    Bytes b;
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, bits);
    put32(b, 0); // uncompressed
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, colours);
    put32(b, 0);
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

TEST(DibImageTest, DecodesEveryDepthAndRowOrder)
{
    const Bytes palette = {0x00, 0x00, 0xFF, 0, 0xFF, 0x00, 0x00, 0}; // red, blue
    const struct
    {
        const char* name;
        Bytes data;
        bool icon;
        std::uint32_t topLeft, bottomRight;
    } cases[] = {
        // 2 x 2, rows bottom-up, each padded to 4 bytes
        {"24-bit", dib(2, 2, 24, {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0}), false, 0xFF0000FF,
         0xFF00FF00},
        {"24-bit top-down", dib(2, -2, 24, {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0}), false,
         0xFFFF0000, 0xFF000000},
        {"8-bit palette",
         dib(
             2, 2, 8,
             [&] {
                 Bytes b = palette;
                 b.insert(b.end(), {0, 0, 0, 0, 1, 1, 0, 0});
                 return b;
             }(),
             2),
         false, 0xFF0000FF, 0xFFFF0000},
        {"1-bit palette",
         dib(
             2, 2, 1,
             [&] {
                 Bytes b = palette;
                 b.insert(b.end(), {0x40, 0, 0, 0, 0x00, 0, 0, 0});
                 return b;
             }(),
             2),
         false, 0xFFFF0000, 0xFF0000FF},
        {"32-bit with alpha", dib(1, 1, 32, {0x10, 0x20, 0x30, 0x80}), false, 0x80302010, 0x80302010},
        // An icon: twice its height in the header, the AND mask after the colours; a set bit is transparent.
        {"icon with mask", dib(1, 2, 32, {0x10, 0x20, 0x30, 0x00, 0x80, 0, 0, 0}), true, 0x00000000, 0x00000000},
        {"icon without mask bit", dib(1, 2, 32, {0x10, 0x20, 0x30, 0x00, 0x00, 0, 0, 0}), true, 0xFF302010, 0xFF302010},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DibImage image = decodeDib(c.data.data(), c.data.size(), c.icon);
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(image.pixels.front(), c.topLeft);
        EXPECT_EQ(image.pixels.back(), c.bottomRight);
    }
}

TEST(DibImageTest, RefusesWhatItCannotRead)
{
    const Bytes rows(16, 0);
    const struct
    {
        const char* name;
        Bytes data;
    } cases[] = {
        {"no width", dib(0, 2, 24, rows)},
        {"too wide", dib(20000, 1, 24, rows)},
        {"rows cut short", dib(2, 2, 24, Bytes(15, 0))},
        {"16-bit", dib(2, 2, 16, rows)},
        {"more colours than the depth", dib(2, 2, 1, rows, 3)},
        {"palette cut short", dib(2, 2, 8, Bytes(4, 0))},
        {"header cut short", Bytes(20, 0)},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(decodeDib(c.data.data(), c.data.size(), false).isValid()) << c.name;
    EXPECT_FALSE(decodeDib(dib(1, 1, 32, {1, 2, 3, 4}).data(), 44, true).isValid()) << "an icon of half a row";
}

// A menu item as the resource keeps it.
void item(Bytes& b, std::uint16_t flags, std::uint16_t id, const char16_t* text)
{
    put16(b, flags);
    if (!(flags & MF_POPUP))
        put16(b, id);
    for (const char16_t* c = text; *c != 0; ++c)
        put16(b, *c);
    put16(b, 0);
}

TEST(MenuTemplateTest, ReadsNestedPopupsAndRefusesOpenEnds)
{
    Bytes menu = {0, 0, 0, 0};
    item(menu, MF_POPUP | MF_END, 0, u"Top");
    item(menu, 0, 1, u"A");
    item(menu, MF_POPUP | MF_END, 0, u"Sub");
    item(menu, MF_END | MF_CHECKED, 2, u"B");
    std::vector<MenuTemplateItem> items;
    ASSERT_TRUE(parseMenuTemplate(menu.data(), menu.size(), items));
    ASSERT_EQ(items.size(), 1u);
    ASSERT_EQ(items[0].items.size(), 2u);
    EXPECT_EQ(items[0].items[1].items.at(0).text, "B");
    EXPECT_EQ(items[0].items[1].items.at(0).flags, static_cast<UINT>(MF_CHECKED));

    EXPECT_FALSE(parseMenuTemplate(menu.data(), menu.size() - 2, items)) << "cut inside the last text";
    Bytes open = {0, 0, 0, 0};
    item(open, 0, 1, u"no end");
    EXPECT_FALSE(parseMenuTemplate(open.data(), open.size(), items)) << "no item ends the menu";
    Bytes deep = {0, 0, 0, 0};
    for (int level = 0; level < 12; ++level)
        item(deep, MF_POPUP | MF_END, 0, u"P");
    item(deep, MF_END, 1, u"X");
    EXPECT_FALSE(parseMenuTemplate(deep.data(), deep.size(), items)) << "popups nested too deep";
}

TEST(DialogInitTest, ReadsAddStringMessagesUpToTheEnd)
{
    Bytes data;
    put16(data, 1000);
    put16(data, 0x0403); // the 16-bit CB_ADDSTRING
    put32(data, 9);
    for (char c : std::string("44100 Hz"))
        data.push_back(static_cast<std::uint8_t>(c));
    data.push_back(0);
    put16(data, 0);
    std::vector<afx::DialogInitMessage> messages;
    ASSERT_TRUE(afx::parseDialogInit(data.data(), data.size(), messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].controlId, 1000);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(CB_ADDSTRING));
    EXPECT_EQ(messages[0].data, "44100 Hz");

    EXPECT_FALSE(afx::parseDialogInit(data.data(), data.size() - 2, messages)) << "no terminating 0";
    Bytes longer = data;
    longer[4] = 0x40; // a length beyond the data
    EXPECT_FALSE(afx::parseDialogInit(longer.data(), longer.size(), messages));
}

} // namespace
