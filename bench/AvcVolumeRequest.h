// The AV/C request the transport benchmarks time: a volume frame for Mic 1
// in the 520-byte request the mixer sends (request word, frame length, frame).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

inline std::vector<std::uint8_t> volumeRequest(std::uint8_t level)
{
    const std::uint8_t frame[] = {0x00, 0x08, 0xB8, 0x81, 0x05, 0x10, 0x02, 0x01, 0x02, 0x02, level, 0x00};
    std::vector<std::uint8_t> request(520, 0);
    const std::uint32_t word = 2000;
    const std::uint32_t length = sizeof frame;
    std::memcpy(request.data(), &word, 4);
    std::memcpy(request.data() + 4, &length, 4);
    std::memcpy(request.data() + 8, frame, sizeof frame);
    return request;
}
