// The compiled resource file (.res) a resource compiler writes: a sequence of
// entries, each a header (data size, header size, type, name, language) and
// its data, every part on a 4-byte boundary. The first entry is the empty
// marker entry of the format.
#pragma once

#include "ByteReader.h"

#include <windef.h>

#include <cstdint>
#include <vector>

namespace win32::detail {

struct ResourceEntry
{
    NameOrOrdinal type;
    NameOrOrdinal name;
    std::uint16_t language = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// The entries of a whole file, pointing into `data`. False, with no entries,
// when anything in the file is malformed or lies outside it.
bool parseResourceFile(const void* data, std::size_t size, std::vector<ResourceEntry>& entries);

// Whether a resource field matches a name as the resource calls take it: an
// ordinal (MAKEINTRESOURCEA) or a string compared without regard to case.
bool matchesResourceName(const NameOrOrdinal& field, LPCSTR name);

} // namespace win32::detail
