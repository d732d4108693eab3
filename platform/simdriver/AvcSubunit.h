// The AV/C target of one simulated unit: the audio subunit's feature and
// selector function blocks and the unit's clock SIGNAL SOURCE. It takes any
// byte sequence as a command frame and always answers with a response frame.
#pragma once

#include "SimDriver.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class AvcSubunit
{
public:
    // Feature blocks 5..9 carry the mixer (volume and LR balance on audio
    // channels 0..2); 10 and 11 the input boosts (volume on channels 1 and 2).
    // Selector blocks 1..6 choose an input plug.
    static constexpr int kFirstMixerBlock = 5;
    static constexpr int kLastMixerBlock = 9;
    static constexpr int kFirstBoostBlock = 10;
    static constexpr int kLastBoostBlock = 11;
    static constexpr int kFirstSelectorBlock = 1;
    static constexpr int kLastSelectorBlock = 6;
    static constexpr std::size_t kMaxFrame = 512;

    // A unit just after power-up: 0 dB, centred balance, no boost, plug 0, internal clock.
    static UnitState initialState(std::uint32_t nodeId);

    // The response to `frame`: response code, then the echoed frame (STATUS
    // answers carry the current value in place of the queried one). A CONTROL
    // that is accepted changes `state`. A non-zero `forcedResponse` answers
    // every frame with that code and changes nothing.
    static std::vector<std::uint8_t> respond(const std::uint8_t* frame, std::size_t size, UnitState& state,
                                             std::uint8_t forcedResponse = 0);

    // "ACCEPTED", "REJECTED", ... of an AV/C response code.
    static std::string responseName(std::uint8_t code);

    // Highest plug a selector block accepts.
    static int highestPlug(int selectorBlock);
};

} // namespace sim
