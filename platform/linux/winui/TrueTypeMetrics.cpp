#include "TrueTypeMetrics.h"

#include <cstring>

namespace win32::detail {

namespace {

// TrueType is big-endian throughout.
class BigEndian
{
public:
    BigEndian(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
    int u16(std::size_t offset) const { return data[offset] << 8 | data[offset + 1]; }
    int s16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::uint32_t u32(std::size_t offset) const
    {
        return static_cast<std::uint32_t>(u16(offset)) << 16 | static_cast<std::uint32_t>(u16(offset + 2));
    }
    bool tagIs(std::size_t offset, const char* tag) const { return std::memcmp(data + offset, tag, 4) == 0; }

private:
    const std::uint8_t* data;
    std::size_t size;
};

constexpr std::size_t kTableDirectory = 12;
constexpr std::size_t kTableRecordSize = 16;
constexpr std::size_t kHeadUnitsPerEm = 18;
constexpr std::size_t kHheaAscender = 4;
constexpr std::size_t kOs2AverageWidth = 2;
constexpr std::size_t kOs2TypoAscender = 68;
constexpr std::size_t kOs2WinDescentEnd = 78;

// Offset of table `tag` when it lies wholly within the file and has at least `needed` bytes.
bool findTable(const BigEndian& file, const char* tag, std::size_t needed, std::size_t& offset)
{
    if (!file.has(0, kTableDirectory))
        return false;
    const int tableCount = file.u16(4);
    for (int i = 0; i < tableCount; ++i) {
        const std::size_t record = kTableDirectory + static_cast<std::size_t>(i) * kTableRecordSize;
        if (!file.has(record, kTableRecordSize))
            return false;
        if (!file.tagIs(record, tag))
            continue;
        offset = file.u32(record + 8);
        const std::size_t length = file.u32(record + 12);
        return length >= needed && file.has(offset, needed);
    }
    return false;
}

} // namespace

bool readTrueTypeMetrics(const void* data, std::size_t size, TrueTypeMetrics& metrics)
{
    metrics = {};
    if (data == nullptr)
        return false;
    const BigEndian file(static_cast<const std::uint8_t*>(data), size);
    std::size_t head = 0, hhea = 0, os2 = 0;
    if (!findTable(file, "head", kHeadUnitsPerEm + 2, head) || !findTable(file, "hhea", kHheaAscender + 6, hhea) ||
        !findTable(file, "OS/2", kOs2WinDescentEnd, os2))
        return false;
    metrics.unitsPerEm = file.u16(head + kHeadUnitsPerEm);
    metrics.hheaAscender = file.s16(hhea + kHheaAscender);
    metrics.hheaDescender = file.s16(hhea + kHheaAscender + 2);
    metrics.hheaLineGap = file.s16(hhea + kHheaAscender + 4);
    metrics.averageCharWidth = file.s16(os2 + kOs2AverageWidth);
    metrics.typoAscender = file.s16(os2 + kOs2TypoAscender);
    metrics.typoDescender = file.s16(os2 + kOs2TypoAscender + 2);
    metrics.winAscent = file.u16(os2 + kOs2TypoAscender + 6);
    metrics.winDescent = file.u16(os2 + kOs2TypoAscender + 8);
    return metrics.unitsPerEm > 0;
}

} // namespace win32::detail
