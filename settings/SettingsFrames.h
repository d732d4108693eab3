// The AV/C frames of the settings program: the clock source (SIGNAL SOURCE to
// the first unit), the second unit's input selector, and the +12 dB boost of
// an analogue input.
#pragma once

#include <AvcRequest.h>

namespace settings {

constexpr int kInputCount = 4; // Mic 1, Mic 2, Line 3, Line 4

// Clock source index: 0 Internal, 1 S/PDIF (one unit) or S/PDIF 1 (two units),
// 2 S/PDIF 2; any other value is sent as Internal.
AvcFrame clockSourceFrame(int clockSourceIndex);
AvcFrame secondUnitSelectorFrame(int clockSourceIndex);
// `input` 0 to 3.
AvcFrame inputBoostFrame(int input, bool on);

} // namespace settings
