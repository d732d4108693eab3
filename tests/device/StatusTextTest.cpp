#include "StatusText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StatusText, TableKeepsItsOrderAndCodePageText)
{
    std::size_t count = 0;
    const StatusTextEntry* table = statusTextTable(count);
    ASSERT_EQ(count, 23u);
    EXPECT_EQ(table[0].code, status::kSuccess);
    EXPECT_STREQ(table[0].text, "No error.");
    EXPECT_EQ(table[22].code, 0xE0008020u);
    for (std::size_t i = 1; i < count; ++i)
        EXPECT_LT(table[i - 1].code, table[i].code) << "entry " << i;

    const char* mismatch = statusText(0xE0000304);
    ASSERT_NE(mismatch, nullptr);
    EXPECT_EQ(std::strlen(mismatch), 47u);
    EXPECT_EQ(static_cast<unsigned char>(mismatch[26]), 0xB4);
}

TEST(StatusText, DisplayTextIsUtf8)
{
    EXPECT_EQ(statusTextUtf8(0xE0000304), "Requested byte count doesn\xC2\xB4t match buffer size.");
    EXPECT_EQ(statusTextUtf8(0xE0008010), "No such device instance.");
    EXPECT_EQ(codePageToUtf8("\x80\xE9"), "\xEF\xBF\xBD\xC3\xA9");
}

TEST(StatusText, StatusesWithoutTextStillRender)
{
    EXPECT_EQ(statusText(0xE0000013), nullptr);
    EXPECT_EQ(statusText(0xE0000014), nullptr);
    EXPECT_EQ(statusTextUtf8(0xE0000014), "Status 0xE0000014.");
    EXPECT_EQ(statusTextUtf8(2), "System error 2.");
}

} // namespace
