// Conversions between the driver's stored stream buffer depth and what the tool
// shows: the stored text read as a number (its leading decimal number, anything
// else 0) and the depth in milliseconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace diag {

// The leading decimal number of `text`: blanks, tabs and line breaks anywhere are
// skipped, then an optional sign, digits, a decimal point and an exponent (E or
// D) are read up to the first character that does not fit. No number gives 0.
double textToNumber(const std::string& text);

// Rounds half to even into a 32-bit integer; nothing when out of range or not a number.
std::optional<std::int32_t> roundToInt32(double number);

// The stored text as a depth in microseconds; text that is no number or out of
// the 32-bit range counts as 0.
std::int32_t depthFromText(const std::string& text);

// "2 ms", "0.5 ms", "12 ms", "-0.001 ms": microseconds / 1000 with the fewest digits.
std::string millisecondsCaption(std::int32_t microseconds);

} // namespace diag
