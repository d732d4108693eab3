#include "ResourceFile.h"

#include <cstdlib>

namespace win32::detail {

namespace {

bool parseEntry(ByteReader& reader, ResourceEntry& entry)
{
    const std::size_t start = reader.position();
    const std::uint32_t dataSize = reader.u32();
    const std::uint32_t headerSize = reader.u32();
    entry.type = reader.nameOrOrdinal();
    entry.name = reader.nameOrOrdinal();
    reader.align(4);
    reader.skip(4); // data version
    reader.skip(2); // memory flags
    entry.language = reader.u16();
    reader.skip(8); // version, characteristics
    if (!reader.ok() || headerSize < reader.position() - start)
        return false;
    reader.seek(start + headerSize);
    if (!reader.ok() || dataSize > reader.remaining())
        return false;
    entry.data = reader.current();
    entry.size = dataSize;
    reader.skip(dataSize);
    // The last entry may end without its padding.
    if (reader.remaining() > 0)
        reader.align(4);
    return reader.ok();
}

} // namespace

bool parseResourceFile(const void* data, std::size_t size, std::vector<ResourceEntry>& entries)
{
    entries.clear();
    if (data == nullptr)
        return false;
    ByteReader reader(data, size);
    std::vector<ResourceEntry> parsed;
    while (reader.remaining() > 0) {
        ResourceEntry entry;
        if (!parseEntry(reader, entry))
            return false;
        // The marker entry (type and name ordinal 0, no data) is not a resource.
        const bool marker = entry.type.isOrdinal && entry.type.ordinal == 0 && entry.size == 0;
        if (!marker)
            parsed.push_back(entry);
    }
    entries = std::move(parsed);
    return true;
}

bool matchesResourceName(const NameOrOrdinal& field, LPCSTR name)
{
    if (name == nullptr)
        return false;
    if (IS_INTRESOURCE(name))
        return field.isOrdinal && field.ordinal == static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(name));
    // "#123" names an ordinal, as on Windows.
    if (name[0] == '#') {
        char* end = nullptr;
        const unsigned long ordinal = std::strtoul(name + 1, &end, 10);
        return *end == '\0' && end != name + 1 && field.isOrdinal && field.ordinal == ordinal;
    }
    return !field.isOrdinal && upperAscii(field.text) == upperAscii(fromAnsi(name));
}

} // namespace win32::detail
