// Bounds-checked little-endian reading of resource data. A read past the end
// fails and leaves the reader failed, so a parser can read a whole record and
// check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace win32::detail {

// A resource name or a class or title field of a template: a 16-bit ordinal
// after the marker 0xFFFF, or a zero-terminated UTF-16 string (empty when the
// field is the single word 0).
struct NameOrOrdinal
{
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string text;
};

class ByteReader
{
public:
    ByteReader(const void* data, std::size_t size) : bytes(static_cast<const std::uint8_t*>(data)), size(size) {}

    bool ok() const { return !failed; }
    std::size_t position() const { return offset; }
    std::size_t remaining() const { return failed ? 0 : size - offset; }
    const std::uint8_t* current() const { return bytes + offset; }

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    std::u16string string16(); // zero-terminated
    NameOrOrdinal nameOrOrdinal();
    void skip(std::size_t count);
    // Moves on to the next multiple of `alignment` counted from the data's start.
    void align(std::size_t alignment);
    void seek(std::size_t position);

private:
    bool has(std::size_t count);

    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t offset = 0;
    bool failed = false;
};

// The text with a to z made upper case, as names are compared without regard to case.
std::u16string upperAscii(std::u16string text);

// Windows Latin-1 (code page 1252) from and to UTF-16; characters outside it become '?'.
std::string toAnsi(const std::u16string& text);
std::u16string fromAnsi(const std::string& text);
} // namespace win32::detail
