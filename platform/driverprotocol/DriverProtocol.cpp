#include <driverprotocol/DriverProtocol.h>

#include <cstdlib>
#include <cstring>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace driverprotocol {

namespace {

std::uint32_t readU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

} // namespace

HeaderStatus decodeHeader(const std::uint8_t* data, std::size_t size, Header& header)
{
    if (size < kHeaderSize)
        return HeaderStatus::NeedMore;
    if (readU32(data) != kMagic)
        return HeaderStatus::Invalid;
    header.version = static_cast<std::uint16_t>(data[4] | data[5] << 8);
    header.type = static_cast<MessageType>(data[6] | data[7] << 8);
    header.requestId = readU32(data + 8);
    header.payloadSize = readU32(data + 12);
    if (header.version != kVersion || header.payloadSize > kMaxPayload)
        return HeaderStatus::Invalid;
    return HeaderStatus::Complete;
}

bool sendAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<std::uint8_t> encode(const Message& message)
{
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + message.payload.size());
    appendU32(out, kMagic);
    appendU16(out, kVersion);
    appendU16(out, static_cast<std::uint16_t>(message.type));
    appendU32(out, message.requestId);
    appendU32(out, static_cast<std::uint32_t>(message.payload.size()));
    out.insert(out.end(), message.payload.begin(), message.payload.end());
    return out;
}

Writer& Writer::u32(std::uint32_t value)
{
    appendU32(data, value);
    return *this;
}

Writer& Writer::u64(std::uint64_t value)
{
    appendU32(data, static_cast<std::uint32_t>(value));
    appendU32(data, static_cast<std::uint32_t>(value >> 32));
    return *this;
}

Writer& Writer::bytes(const void* block, std::size_t size)
{
    appendU32(data, static_cast<std::uint32_t>(size));
    const auto* begin = static_cast<const std::uint8_t*>(block);
    if (size != 0)
        data.insert(data.end(), begin, begin + size);
    return *this;
}

Writer& Writer::guid(const GUID& value)
{
    appendU32(data, value.Data1);
    appendU16(data, value.Data2);
    appendU16(data, value.Data3);
    data.insert(data.end(), value.Data4, value.Data4 + 8);
    return *this;
}

bool Reader::take(std::size_t count, const std::uint8_t*& at)
{
    if (!ok || count > size - offset) {
        ok = false;
        return false;
    }
    at = data + offset;
    offset += count;
    return true;
}

bool Reader::u32(std::uint32_t& value)
{
    const std::uint8_t* at = nullptr;
    if (!take(4, at))
        return false;
    value = readU32(at);
    return true;
}

bool Reader::u64(std::uint64_t& value)
{
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    if (!u32(low) || !u32(high))
        return false;
    value = std::uint64_t(high) << 32 | low;
    return true;
}

bool Reader::bytes(std::vector<std::uint8_t>& value, std::size_t maxSize)
{
    std::uint32_t length = 0;
    const std::uint8_t* at = nullptr;
    if (!u32(length))
        return false;
    if (length > maxSize) {
        ok = false;
        return false;
    }
    if (!take(length, at))
        return false;
    value.assign(at, at + length);
    return true;
}

bool Reader::string(std::string& value, std::size_t maxSize)
{
    std::vector<std::uint8_t> raw;
    if (!bytes(raw, maxSize))
        return false;
    value.assign(raw.begin(), raw.end());
    return true;
}

bool Reader::guid(GUID& value)
{
    const std::uint8_t* at = nullptr;
    if (!take(16, at))
        return false;
    value.Data1 = readU32(at);
    value.Data2 = static_cast<std::uint16_t>(at[4] | at[5] << 8);
    value.Data3 = static_cast<std::uint16_t>(at[6] | at[7] << 8);
    std::memcpy(value.Data4, at + 8, 8);
    return true;
}

void MessageAssembler::append(const std::uint8_t* data, std::size_t size)
{
    if (consumed > 0 && consumed == buffer.size()) {
        buffer.clear();
        consumed = 0;
    }
    buffer.insert(buffer.end(), data, data + size);
}

MessageAssembler::Result MessageAssembler::next(Message& message)
{
    if (invalid)
        return Result::Invalid;
    Header header;
    switch (decodeHeader(buffer.data() + consumed, buffer.size() - consumed, header)) {
    case HeaderStatus::NeedMore:
        return Result::NeedMore;
    case HeaderStatus::Invalid:
        invalid = true;
        return Result::Invalid;
    case HeaderStatus::Complete:
        break;
    }
    if (buffer.size() - consumed < kHeaderSize + header.payloadSize)
        return Result::NeedMore;
    const auto* payload = buffer.data() + consumed + kHeaderSize;
    message.type = header.type;
    message.requestId = header.requestId;
    message.payload.assign(payload, payload + header.payloadSize);
    consumed += kHeaderSize + header.payloadSize;
    if (consumed > 64 * 1024) { // keep the buffer from growing with a chatty peer
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(consumed));
        consumed = 0;
    }
    return Result::Message;
}

} // namespace driverprotocol
