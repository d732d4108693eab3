// The buffers of an AV/C request on a driver session and the frame they carry.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kAvcFrameCapacity = 512;

// Every AV/C request starts with this word; nothing in the programs changes it.
constexpr std::uint32_t kAvcRequestWord = 2000;

// An AV/C command frame as it is built, byte by byte.
class AvcFrame
{
public:
    AvcFrame& add(std::uint8_t byte);
    AvcFrame& add16(std::uint16_t value); // big-endian, as AV/C carries it

    const std::uint8_t* data() const { return bytes; }
    std::size_t size() const { return length; }
    bool overflowed() const { return overflow; }

private:
    std::uint8_t bytes[kAvcFrameCapacity] = {};
    std::size_t length = 0;
    bool overflow = false;
};

// Input buffer of an AV/C request (520 bytes, little-endian words).
struct AvcRequest
{
    std::uint32_t requestWord;
    std::uint32_t frameLength; // frame bytes only
    std::uint8_t frame[kAvcFrameCapacity];
};

// Output buffer of an AV/C request (516 bytes). Neither field is examined.
struct AvcResponse
{
    std::uint32_t driverWord;
    std::uint8_t frame[kAvcFrameCapacity];
};

static_assert(sizeof(AvcRequest) == 520, "driver buffer layout");
static_assert(sizeof(AvcResponse) == 516, "driver buffer layout");

// The one place requests are built: both buffers zeroed, the frame copied from
// offset 8 on, its length at offset 4 and the request word at offset 0.
void buildAvcRequest(const AvcFrame& frame, AvcRequest& request, AvcResponse& response);
