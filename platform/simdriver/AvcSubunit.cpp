#include "AvcSubunit.h"

#include "AvcCodes.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

using Frame = std::vector<std::uint8_t>;

struct Request
{
    const std::uint8_t* bytes;
    std::size_t size;
    std::uint8_t ctype;
    bool isInquiry() const { return ctype == avc::kSpecificInquiry || ctype == avc::kGeneralInquiry; }

    // Whether the frame is `exact` bytes long, or padded with zeros to the next
    // whole quadlet as the 1394 transaction that carries it is.
    bool hasLength(std::size_t exact) const
    {
        const std::size_t padded = (exact + 3) / 4 * 4;
        return size == exact || (size == padded &&
                                 std::all_of(bytes + exact, bytes + size, [](std::uint8_t byte) { return byte == 0; }));
    }
};

Frame answer(const Request& request, std::uint8_t code)
{
    Frame response(request.bytes, request.bytes + std::min(request.size, AvcSubunit::kMaxFrame));
    if (response.empty())
        response.push_back(code);
    else
        response[0] = code;
    return response;
}

Frame answerWithValue(const Request& request, std::uint16_t value)
{
    Frame response = answer(request, avc::kImplementedStable);
    response[10] = static_cast<std::uint8_t>(value >> 8);
    response[11] = static_cast<std::uint8_t>(value);
    return response;
}

bool isMixerBlock(int id)
{
    return id >= AvcSubunit::kFirstMixerBlock && id <= AvcSubunit::kLastMixerBlock;
}
bool isBoostBlock(int id)
{
    return id >= AvcSubunit::kFirstBoostBlock && id <= AvcSubunit::kLastBoostBlock;
}

bool volumeInRange(int block, std::uint16_t value)
{
    const auto decibels256 = static_cast<std::int16_t>(value);
    if (isBoostBlock(block))
        return decibels256 >= 0 && decibels256 <= 0x0C00; // 0 to +12 dB
    return decibels256 <= 0;                              // the mixer only attenuates
}

// Frame layout: ctype, address, 0xB8, type, id, attribute, selector length,
// channel, control selector, data length, data high, data low.
Frame featureBlock(const Request& request, UnitState& state)
{
    const auto* f = request.bytes;
    const int block = f[4];
    const bool mixer = isMixerBlock(block);
    if ((!mixer && !isBoostBlock(block)) || f[5] != avc::kAttributeCurrent)
        return answer(request, avc::kNotImplemented);
    if (f[6] != 0x02 || request.size < 10)
        return answer(request, avc::kRejected);
    const int channel = f[7];
    const std::uint8_t control = f[8];
    const bool balance = control == avc::kBalanceControl;
    if (control != avc::kVolumeControl && !(mixer && balance))
        return answer(request, avc::kNotImplemented);
    const bool channelValid = mixer ? channel <= 2 : (channel == 1 || channel == 2);
    if (!channelValid || f[9] != 0x02 || !request.hasLength(12))
        return answer(request, avc::kRejected);
    if (request.isInquiry())
        return answer(request, avc::kImplementedStable);

    auto& values = balance ? state.balance : state.volume;
    auto& slot = values[block][static_cast<std::size_t>(channel)];
    if (request.ctype == avc::kStatus)
        return answerWithValue(request, slot);
    const auto value = static_cast<std::uint16_t>(f[10] << 8 | f[11]);
    if (!balance && !volumeInRange(block, value))
        return answer(request, avc::kRejected);
    slot = value;
    return answer(request, avc::kAccepted);
}

// ctype, address, 0xB8, 0x80, id, attribute, selector length, plug, control selector.
Frame selectorBlock(const Request& request, UnitState& state)
{
    const auto* f = request.bytes;
    const int block = f[4];
    if (block < AvcSubunit::kFirstSelectorBlock || block > AvcSubunit::kLastSelectorBlock ||
        f[5] != avc::kAttributeCurrent)
        return answer(request, avc::kNotImplemented);
    if (f[6] != 0x02 || !request.hasLength(9))
        return answer(request, avc::kRejected);
    if (f[8] != avc::kSelectorControl)
        return answer(request, avc::kNotImplemented);
    if (request.isInquiry())
        return answer(request, avc::kImplementedStable);
    if (request.ctype == avc::kStatus) {
        Frame response = answer(request, avc::kImplementedStable);
        response[7] = static_cast<std::uint8_t>(state.selector[block]);
        return response;
    }
    const int plug = f[7];
    if (plug > AvcSubunit::highestPlug(block))
        return answer(request, avc::kRejected);
    state.selector[block] = plug;
    return answer(request, avc::kAccepted);
}

Frame functionBlock(const Request& request, UnitState& state)
{
    if (request.size < 7)
        return answer(request, avc::kRejected);
    switch (request.bytes[3]) {
    case avc::kFeatureFunctionBlock:
        return featureBlock(request, state);
    case avc::kSelectorFunctionBlock:
        return selectorBlock(request, state);
    default:
        return answer(request, avc::kNotImplemented);
    }
}

// ctype, 0xFF, 0x1A, status operand, source subunit, source plug, destination
// subunit, destination plug. Only the clock input of music subunit plug 5 has
// a choice of source: the internal clock or the S/PDIF input.
Frame signalSource(const Request& request, UnitState& state)
{
    if (!request.hasLength(8))
        return answer(request, avc::kRejected);
    const auto* f = request.bytes;
    if (f[6] != avc::kMusicSubunit0 || f[7] != avc::kClockDestinationPlug)
        return answer(request, avc::kRejected);
    if (request.isInquiry())
        return answer(request, avc::kImplementedStable);
    if (request.ctype == avc::kStatus) {
        Frame response = answer(request, avc::kImplementedStable);
        const bool spdif = state.clockSourcePlug == avc::kSpdifClockPlug;
        response[3] = 0x0F;
        response[4] = spdif ? avc::kUnitAddress : avc::kMusicSubunit0;
        response[5] = static_cast<std::uint8_t>(state.clockSourcePlug);
        return response;
    }
    const bool internal = f[4] == avc::kMusicSubunit0 && f[5] == avc::kInternalClockPlug;
    const bool spdif = f[4] == avc::kUnitAddress && f[5] == avc::kSpdifClockPlug;
    if (!internal && !spdif)
        return answer(request, avc::kRejected);
    state.clockSourcePlug = f[5];
    return answer(request, avc::kAccepted);
}

} // namespace

UnitState AvcSubunit::initialState(std::uint32_t nodeId)
{
    UnitState state;
    state.nodeId = nodeId;
    for (int block = kFirstMixerBlock; block <= kLastMixerBlock; ++block) {
        state.volume[block] = {0, 0, 0};
        state.balance[block] = {0, 0, 0};
    }
    for (int block = kFirstBoostBlock; block <= kLastBoostBlock; ++block)
        state.volume[block] = {0, 0, 0};
    for (int block = kFirstSelectorBlock; block <= kLastSelectorBlock; ++block)
        state.selector[block] = 0;
    state.clockSourcePlug = avc::kInternalClockPlug;
    return state;
}

int AvcSubunit::highestPlug(int selectorBlock)
{
    switch (selectorBlock) {
    case 4:
        return 4; // headphones: four output pairs or the mix
    case 6:
        return 3; // software playback route
    default:
        return 1; // an output carries the mix or not
    }
}

std::string AvcSubunit::responseName(std::uint8_t code)
{
    switch (code) {
    case avc::kNotImplemented:
        return "NOT IMPLEMENTED";
    case avc::kAccepted:
        return "ACCEPTED";
    case avc::kRejected:
        return "REJECTED";
    case avc::kInTransition:
        return "IN TRANSITION";
    case avc::kImplementedStable:
        return "IMPLEMENTED/STABLE";
    case avc::kChanged:
        return "CHANGED";
    case avc::kInterim:
        return "INTERIM";
    default:
        char text[16];
        std::snprintf(text, sizeof text, "0x%02X", code);
        return text;
    }
}

std::vector<std::uint8_t> AvcSubunit::respond(const std::uint8_t* frame, std::size_t size, UnitState& state,
                                              std::uint8_t forcedResponse)
{
    Request request{frame, size, 0};
    if (forcedResponse != 0)
        return answer(request, forcedResponse);
    if (size < 3 || frame[0] > avc::kGeneralInquiry)
        return answer(request, avc::kRejected);
    request.ctype = frame[0];
    if (request.ctype == avc::kNotify)
        return answer(request, avc::kNotImplemented);
    if (frame[1] == avc::kAudioSubunit0 && frame[2] == avc::kOpcodeFunctionBlock)
        return functionBlock(request, state);
    if (frame[1] == avc::kUnitAddress && frame[2] == avc::kOpcodeSignalSource)
        return signalSource(request, state);
    return answer(request, avc::kNotImplemented);
}

} // namespace sim
