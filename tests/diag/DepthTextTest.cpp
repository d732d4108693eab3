#include "DepthText.h"
#include "DiagTool.h"

#include <gtest/gtest.h>

namespace {

TEST(DepthText, ReadsTheLeadingDecimalNumber)
{
    const std::pair<const char*, double> cases[] = {
        {"4000", 4000}, {"  12000", 12000}, {"4 000", 4000}, {"2000 us", 2000}, {"2000us", 2000}, {"-500", -500},
        {"+750", 750},  {"1.5e3", 1500},    {"2D3", 2000},   {"1e", 1},         {"12.", 12},      {".5", 0.5},
        {"", 0},        {"fast", 0},        {"-", 0},        {"x2000", 0},      {"1e+2ms", 100},  {"\t3\r\n000", 3000},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_DOUBLE_EQ(diag::textToNumber(text), expected) << '"' << text << '"';
}

TEST(DepthText, RoundsHalfToEvenAndRejectsWhatDoesNotFitAnInt32)
{
    EXPECT_EQ(diag::roundToInt32(2.5), 2);
    EXPECT_EQ(diag::roundToInt32(3.5), 4);
    EXPECT_EQ(diag::roundToInt32(-2.5), -2);
    EXPECT_EQ(diag::roundToInt32(1999.6), 2000);
    EXPECT_EQ(diag::roundToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(diag::roundToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_FALSE(diag::roundToInt32(2147483648.0));
    EXPECT_FALSE(diag::roundToInt32(1e300 * 1e300));

    EXPECT_EQ(diag::depthFromText("4000.4"), 4000);
    EXPECT_EQ(diag::depthFromText("99999999999"), 0);
    EXPECT_EQ(diag::depthFromText("1e999"), 0);
}

TEST(DepthText, CaptionsMillisecondsWithTheFewestDigits)
{
    const std::pair<std::int32_t, const char*> cases[] = {
        {2000, "2 ms"},
        {500, "0.5 ms"},
        {12000, "12 ms"},
        {0, "0 ms"},
        {1234, "1.234 ms"},
        {1050, "1.05 ms"},
        {1, "0.001 ms"},
        {-1, "-0.001 ms"},
        {-2147483647 - 1, "-2147483.648 ms"},
        {2147483647, "2147483.647 ms"},
    };
    for (const auto& [microseconds, caption] : cases)
        EXPECT_EQ(diag::millisecondsCaption(microseconds), caption) << microseconds;
}

TEST(DepthText, OffersFiveChoicesAndShowsOtherDepthsAsTheDefault)
{
    EXPECT_EQ(diag::choiceForDepth(20000), 0);
    EXPECT_EQ(diag::choiceForDepth(12000), 1);
    EXPECT_EQ(diag::choiceForDepth(4000), 2);
    EXPECT_EQ(diag::choiceForDepth(2000), 3);
    EXPECT_EQ(diag::choiceForDepth(1000), 4);
    for (std::int32_t other : {0, 3000, -1, 20001, 999})
        EXPECT_EQ(diag::choiceForDepth(other), diag::kDefaultChoice) << other;
    EXPECT_STREQ(diag::kDepthChoices[static_cast<std::size_t>(diag::kDefaultChoice)].caption,
                 "Medium (2 ms)  = Default");
}

} // namespace
