// Any byte sequence as the AV/C frame of a request to a simulated unit. The
// frame is an exact-size heap copy, so reading past it trips the sanitizer;
// the response must echo the frame at its length and keep unit values in range.
#include <AvcSubunit.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static sim::UnitState state = sim::AvcSubunit::initialState(0xFFC0);
    const std::size_t length = size > sim::AvcSubunit::kMaxFrame ? sim::AvcSubunit::kMaxFrame : size;
    std::unique_ptr<std::uint8_t[]> frame(new std::uint8_t[length]);
    if (length != 0)
        std::memcpy(frame.get(), data, length);
    const auto response = sim::AvcSubunit::respond(frame.get(), length, state);
    if (response.size() != (length == 0 ? 1 : length))
        std::abort();
    for (const auto& [block, plug] : state.selector)
        if (plug < 0 || plug > sim::AvcSubunit::highestPlug(block))
            std::abort();
    return 0;
}
