#include "MixFileFormat.h"

#include <zlib.h>

#include <cstring>
#include <vector>

namespace mixfile {

namespace {

constexpr std::size_t headerSize = 4;

std::uint32_t readCount(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

// Reads a zero-terminated string at `position`; false when the data ends first.
bool readString(const std::uint8_t* data, std::size_t size, std::size_t& position, std::string& text)
{
    const void* end = std::memchr(data + position, 0, size - position);
    if (end == nullptr)
        return false;
    const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - (data + position));
    text.assign(reinterpret_cast<const char*>(data + position), length);
    position += length + 1;
    return true;
}

// The count and the pairs, as both forms hold them.
ReadResult parseBody(const std::uint8_t* data, std::size_t size, bool cutShort)
{
    ReadResult result;
    result.outcome = Outcome::Damaged;
    if (size < 4)
        return result;
    const std::uint32_t count = readCount(data);
    std::size_t position = 4;
    std::string key, value;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i == maxPairs || !readString(data, size, position, key) || !readString(data, size, position, value))
            return result;
        result.properties.set(key, value);
    }
    if (!cutShort)
        result.outcome = Outcome::Complete;
    return result;
}

// Inflates at most maxContentBytes; `cutShort` tells whether the stream was
// broken or had more to give.
std::string inflateBounded(const std::uint8_t* data, std::size_t size, bool& cutShort)
{
    std::string out;
    z_stream stream{};
    constexpr int zlibOrGzipHeader = 15 + 32;
    if (inflateInit2(&stream, zlibOrGzipHeader) != Z_OK) {
        cutShort = true;
        return out;
    }
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size); // at most maxContentBytes
    unsigned char chunk[16384];
    int status = Z_OK;
    while (status == Z_OK && out.size() < maxContentBytes) {
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t produced = sizeof chunk - stream.avail_out;
        out.append(reinterpret_cast<const char*>(chunk), produced);
        if (status == Z_BUF_ERROR && produced > 0)
            status = Z_OK; // no progress this round only because the output was full
    }
    cutShort = status != Z_STREAM_END;
    if (out.size() > maxContentBytes) {
        out.resize(maxContentBytes);
        cutShort = true;
    }
    inflateEnd(&stream);
    return out;
}

} // namespace

ReadResult parse(const std::uint8_t* data, std::size_t size)
{
    if (size < headerSize)
        return {};
    const bool cutShort = size > maxContentBytes;
    if (cutShort)
        size = maxContentBytes;
    if (std::memcmp(data, "PROP", 4) == 0)
        return parseBody(data + headerSize, size - headerSize, cutShort);
    if (std::memcmp(data, "CPRP", 4) == 0) {
        bool inflatedShort = false;
        const std::string body = inflateBounded(data + headerSize, size - headerSize, inflatedShort);
        return parseBody(reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), cutShort || inflatedShort);
    }
    return {};
}

std::string serialise(const MixProperties& properties)
{
    std::string bytes = "PROP";
    const auto count = static_cast<std::uint32_t>(properties.pairs().size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((count >> shift) & 0xFF));
    for (const auto& [key, value] : properties.pairs()) {
        bytes.append(key.c_str(), std::strlen(key.c_str()));
        bytes.push_back('\0');
        bytes.append(value.c_str(), std::strlen(value.c_str()));
        bytes.push_back('\0');
    }
    return bytes;
}

std::size_t serialisedSize(const MixProperties& properties)
{
    std::size_t size = 8;
    for (const auto& [key, value] : properties.pairs())
        size += std::strlen(key.c_str()) + std::strlen(value.c_str()) + 2;
    return size;
}

bool fitForReading(MixProperties& properties, const std::function<bool(const std::string&)>& keep)
{
    std::size_t count = properties.size();
    std::size_t size = serialisedSize(properties);
    const auto fits = [&] { return count <= maxPairs && size <= maxContentBytes; };
    if (fits())
        return true;
    const auto& pairs = properties.pairs();
    std::vector<bool> dropped(pairs.size(), false);
    for (std::size_t i = pairs.size(); i-- > 0 && !fits();)
        if (!keep(pairs[i].first)) {
            dropped[i] = true;
            --count;
            size -= std::strlen(pairs[i].first.c_str()) + std::strlen(pairs[i].second.c_str()) + 2;
        }
    properties.removeIf([&](std::size_t i) { return dropped[i]; });
    return fits();
}

} // namespace mixfile
