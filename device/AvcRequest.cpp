#include "AvcRequest.h"

#include <cstring>

AvcFrame& AvcFrame::add(std::uint8_t byte)
{
    if (length < kAvcFrameCapacity)
        bytes[length++] = byte;
    else
        overflow = true;
    return *this;
}

AvcFrame& AvcFrame::add16(std::uint16_t value)
{
    add(static_cast<std::uint8_t>(value >> 8));
    return add(static_cast<std::uint8_t>(value & 0xFF));
}

void buildAvcRequest(const AvcFrame& frame, AvcRequest& request, AvcResponse& response)
{
    std::memset(&request, 0, sizeof request);
    std::memset(&response, 0, sizeof response);
    std::memcpy(request.frame, frame.data(), frame.size());
    request.frameLength = static_cast<std::uint32_t>(frame.size());
    request.requestWord = kAvcRequestWord;
}
