#include "RegistryText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>

namespace win32::text {
namespace {

constexpr std::size_t kWrapColumn = 76;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> parseHexNumber(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<std::vector<BYTE>> parseHexBytes(std::string_view text)
{
    std::string compact;
    for (char c : text)
        if (c != ' ' && c != '\t')
            compact += c;
    std::vector<BYTE> bytes;
    if (compact.empty())
        return bytes;
    bytes.reserve(compact.size() / 3 + 1);
    const std::string_view list = compact;
    std::size_t pos = 0;
    while (true) {
        const auto comma = list.find(',', pos);
        const auto byte = parseHexNumber(list.substr(pos, comma == std::string_view::npos ? comma : comma - pos), 2);
        if (!byte)
            return std::nullopt;
        bytes.push_back(static_cast<BYTE>(*byte));
        if (comma == std::string_view::npos)
            return bytes;
        pos = comma + 1;
    }
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

bool isCleanString(const RegistryValue& value)
{
    const auto& d = value.data;
    if (d.empty() || d.back() != 0)
        return false;
    return std::find(d.begin(), d.end() - 1, BYTE{0}) == d.end() - 1 &&
           std::find_if(d.begin(), d.end(), [](BYTE b) { return b == '\r' || b == '\n'; }) == d.end();
}

} // namespace

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upper(x) == upper(y); });
}

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] == b[i])
            continue;
        const auto x = static_cast<unsigned char>(upper(a[i]));
        const auto y = static_cast<unsigned char>(upper(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

std::size_t NoCaseHash::operator()(std::string_view name) const
{
    static const std::uint64_t seed = [] {
        std::random_device source;
        return (static_cast<std::uint64_t>(source()) << 32) ^ source() ^ 0xcbf29ce484222325ULL;
    }();
    std::uint64_t hash = seed; // FNV-1a over the upper-cased name
    for (char c : name) {
        hash ^= static_cast<unsigned char>(upper(c));
        hash *= 0x100000001b3ULL;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 29));
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::optional<std::string> readQuoted(std::string_view text, std::size_t& pos)
{
    if (pos >= text.size() || text[pos] != '"')
        return std::nullopt;
    std::string out;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"'))
            ++pos;
        out += text[pos];
    }
    return std::nullopt;
}

std::optional<RegistryValue> parseData(std::string_view data)
{
    if (!data.empty() && data[0] == '"') {
        std::size_t pos = 0;
        const auto text = readQuoted(data, pos);
        if (!text || !trimmed(data.substr(pos)).empty())
            return std::nullopt;
        RegistryValue value{REG_SZ, std::vector<BYTE>(text->begin(), text->end())};
        value.data.push_back(0);
        return value;
    }
    if (startsWithNoCase(data, "dword:")) {
        const auto number = parseHexNumber(trimmed(data.substr(6)), 8);
        if (!number)
            return std::nullopt;
        RegistryValue value{REG_DWORD, {}};
        for (int shift = 0; shift < 32; shift += 8)
            value.data.push_back(static_cast<BYTE>(*number >> shift));
        return value;
    }
    DWORD type = REG_BINARY;
    std::size_t bytesAt = 0;
    if (startsWithNoCase(data, "hex:")) {
        bytesAt = 4;
    } else if (startsWithNoCase(data, "hex(")) {
        const auto close = data.find("):", 4);
        if (close == std::string_view::npos)
            return std::nullopt;
        const auto number = parseHexNumber(data.substr(4, close - 4), 8);
        if (!number)
            return std::nullopt;
        type = *number;
        bytesAt = close + 2;
    } else {
        return std::nullopt;
    }
    auto bytes = parseHexBytes(data.substr(bytesAt));
    if (!bytes)
        return std::nullopt;
    return RegistryValue{type, std::move(*bytes)};
}

std::string formatData(const RegistryValue& value, std::size_t column)
{
    char buffer[16];
    if (value.type == REG_SZ && isCleanString(value))
        return quoted(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "%08x", number);
        return std::string("dword:") + buffer;
    }
    std::string out = "hex:";
    if (value.type != REG_BINARY) {
        std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(value.type));
        out = std::string("hex(") + buffer + "):";
    }
    out.reserve(out.size() + value.data.size() * 3 + value.data.size() / 8);
    column += out.size();
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", value.data[i]);
        out += buffer;
        column += 2;
        if (i + 1 < value.data.size()) {
            out += ',';
            ++column;
            if (column >= kWrapColumn) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    return out;
}

std::string_view LineReader::physicalLine()
{
    ++lineNumber;
    const auto end = text.find('\n', pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? end : end - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool LineReader::next(std::string& line, std::size_t& number)
{
    if (pos >= text.size())
        return false;
    const std::string_view first = physicalLine();
    number = lineNumber;
    line.assign(first);
    const std::string_view start = trimmed(first);
    const bool hexList =
        !start.empty() && start[0] != '[' && start[0] != ';' && first.find("=hex") != std::string_view::npos;
    while (hexList) {
        const auto end = line.find_last_not_of(" \t");
        if (end == std::string::npos || line[end] != '\\')
            break;
        line.erase(end);
        if (pos >= text.size())
            break;
        line += trimmed(physicalLine());
    }
    return true;
}

} // namespace win32::text
