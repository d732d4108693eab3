// The pieces of the registry export format below a whole hive: quoted names,
// value data in its four spellings, case-blind name order, and the reading of
// logical lines (hex lists go on over lines ending in a backslash).
#pragma once

#include <win32/RegistryHive.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace win32::text {

inline char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalNoCase(std::string_view a, std::string_view b);

// Orders names as the registry compares them: without regard to case.
struct NoCaseLess
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// Hashes and compares names as the registry does: without regard to case. The
// hash is seeded per process, so no file can be made to put all its names in
// one bucket.
struct NoCaseHash
{
    std::size_t operator()(std::string_view name) const;
};
struct NoCaseEqual
{
    bool operator()(std::string_view a, std::string_view b) const { return equalNoCase(a, b); }
};

std::string_view trimmed(std::string_view text);
std::string quoted(std::string_view text);

// Reads a quoted string starting at text[pos] == '"'; leaves pos after the closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& pos);

// The data part of a value line: "text", dword:0000000a, hex:..., hex(N):...
std::optional<RegistryValue> parseData(std::string_view data);

// The data part of a value line whose name part takes `column` characters.
std::string formatData(const RegistryValue& value, std::size_t column);

// Hands out the logical lines of a hive file one by one, without the line
// break: a line whose value is a hex list and that ends in a backslash takes
// the next line in (trimmed), as often as it goes on.
class LineReader
{
public:
    explicit LineReader(std::string_view text) : text(text) {}

    // False at the end of the text. `number` is the line's first physical line (from 1).
    bool next(std::string& line, std::size_t& number);

private:
    std::string_view physicalLine();

    std::string_view text;
    std::size_t pos = 0;
    std::size_t lineNumber = 0;
};

} // namespace win32::text
