#include "DepthText.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace diag {
namespace {

bool isSkipped(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Copies the digits at `pos` onto `out`; returns how many there were.
std::size_t takeDigits(const std::string& text, std::size_t& pos, std::string& out)
{
    const std::size_t start = pos;
    while (pos < text.size() && isDigit(text[pos]))
        out += text[pos++];
    return pos - start;
}

} // namespace

double textToNumber(const std::string& text)
{
    std::string compact;
    for (char c : text)
        if (!isSkipped(c))
            compact += c;

    std::string number;
    std::size_t pos = 0;
    if (pos < compact.size() && (compact[pos] == '+' || compact[pos] == '-'))
        number += compact[pos++];
    std::size_t digits = takeDigits(compact, pos, number);
    if (pos < compact.size() && compact[pos] == '.') {
        number += compact[pos++];
        digits += takeDigits(compact, pos, number);
    }
    if (digits == 0)
        return 0.0;
    if (pos < compact.size() && std::string("eEdD").find(compact[pos]) != std::string::npos) {
        std::size_t exponentAt = pos + 1;
        std::string exponent = "e";
        if (exponentAt < compact.size() && (compact[exponentAt] == '+' || compact[exponentAt] == '-'))
            exponent += compact[exponentAt++];
        if (takeDigits(compact, exponentAt, exponent) > 0)
            number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

std::optional<std::int32_t> roundToInt32(double number)
{
    if (!std::isfinite(number))
        return std::nullopt;
    const int previousMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(number);
    std::fesetround(previousMode);
    if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::int32_t depthFromText(const std::string& text)
{
    return roundToInt32(textToNumber(text)).value_or(0);
}

std::string millisecondsCaption(std::int32_t microseconds)
{
    const std::int64_t value = microseconds;
    const std::int64_t magnitude = value < 0 ? -value : value;
    std::string caption = value < 0 ? "-" : "";
    caption += std::to_string(magnitude / 1000);
    std::int64_t fraction = magnitude % 1000;
    if (fraction != 0) {
        std::string decimals = std::to_string(1000 + fraction).substr(1);
        decimals.erase(decimals.find_last_not_of('0') + 1);
        caption += "." + decimals;
    }
    return caption + " ms";
}

} // namespace diag
