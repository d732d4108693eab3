#include "MixProperties.h"

#include <charconv>
#include <cmath>
#include <limits>

void MixProperties::set(const std::string& key, const std::string& value)
{
    for (auto& entry : entries)
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    entries.emplace_back(key, value);
}

const std::string* MixProperties::find(const std::string& key) const
{
    for (const auto& entry : entries)
        if (entry.first == key)
            return &entry.second;
    return nullptr;
}

void MixProperties::setReal(const std::string& key, double value)
{
    set(key, formatReal(value));
}

int MixProperties::getInt(const std::string& key, int fallback) const
{
    const std::string* value = find(key);
    return value == nullptr ? fallback : leadingInteger(*value);
}

int MixProperties::leadingInteger(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';

    // Accumulated as a negative number, whose range is the larger one.
    constexpr long long lowest = std::numeric_limits<int>::min();
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < lowest) {
            value = lowest;
            break;
        }
    }
    if (negative)
        return static_cast<int>(value);
    return value < -std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(-value);
}

std::string MixProperties::formatReal(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    return std::string(text, result.ptr);
}
