#include "MixProperties.h"

#include <charconv>
#include <cmath>
#include <limits>

void MixProperties::set(const std::string& key, const std::string& value)
{
    const auto [position, added] = positions.try_emplace(key, entries.size());
    if (added)
        entries.emplace_back(key, value);
    else
        entries[position->second].second = value;
}

const std::string* MixProperties::find(const std::string& key) const
{
    const auto position = positions.find(key);
    return position == positions.end() ? nullptr : &entries[position->second].second;
}

void MixProperties::removeIf(const std::function<bool(std::size_t)>& drop)
{
    std::vector<Pair> kept;
    kept.reserve(entries.size());
    positions.clear();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!drop(i)) {
            positions.emplace(entries[i].first, kept.size());
            kept.push_back(std::move(entries[i]));
        }
    entries = std::move(kept);
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
