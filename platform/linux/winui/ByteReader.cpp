#include "ByteReader.h"

namespace win32::detail {

namespace {

// Code page 1252's characters 0x80 to 0x9F; 0 marks the five it leaves undefined.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ansiOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kWindows1252High[i] != 0 && kWindows1252High[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

bool ByteReader::has(std::size_t count)
{
    if (failed || count > size - offset) {
        failed = true;
        return false;
    }
    return true;
}

std::uint8_t ByteReader::u8()
{
    if (!has(1))
        return 0;
    return bytes[offset++];
}

std::uint16_t ByteReader::u16()
{
    if (!has(2))
        return 0;
    const std::uint16_t value = static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
    offset += 2;
    return value;
}

std::uint32_t ByteReader::u32()
{
    const std::uint32_t low = u16();
    const std::uint32_t high = u16();
    return low | high << 16;
}

std::u16string ByteReader::string16()
{
    std::u16string text;
    while (ok()) {
        const char16_t c = u16();
        if (!ok() || c == 0)
            break;
        text += c;
    }
    return text;
}

NameOrOrdinal ByteReader::nameOrOrdinal()
{
    NameOrOrdinal field;
    if (remaining() >= 2 && current()[0] == 0xFF && current()[1] == 0xFF) {
        skip(2);
        field.isOrdinal = true;
        field.ordinal = u16();
        return field;
    }
    field.text = string16();
    return field;
}

void ByteReader::skip(std::size_t count)
{
    if (has(count))
        offset += count;
}

void ByteReader::align(std::size_t alignment)
{
    const std::size_t over = offset % alignment;
    if (over != 0)
        skip(alignment - over);
}

void ByteReader::seek(std::size_t target)
{
    if (failed || target > size)
        failed = true;
    else
        offset = target;
}

std::u16string upperAscii(std::u16string text)
{
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return text;
}

std::string toAnsi(const std::u16string& text)
{
    std::string ansi;
    ansi.reserve(text.size());
    for (char16_t c : text)
        ansi += ansiOf(c);
    return ansi;
}

std::u16string fromAnsi(const std::string& text)
{
    std::u16string wide;
    wide.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xA0)
            wide += kWindows1252High[byte - 0x80] != 0 ? kWindows1252High[byte - 0x80] : u'?';
        else
            wide += static_cast<char16_t>(byte);
    }
    return wide;
}

} // namespace win32::detail
