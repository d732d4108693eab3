// Pans a stereo function block by holding one side below full level, as the
// playback strip and the output strip do: left of centre lowers audio channel
// 1, right of centre audio channel 2, and the other side stays at full level.
// Positions run 0..510 with the centre at 255.
#pragma once

#include "DeferredSendTimer.h"

class SideHoldPan
{
public:
    // `exponent` shapes the curve from the centre to the far end (3 or 4).
    SideHoldPan(int channelIndex, int exponent, DeferredSendTimer& sender);

    // Schedules the held side's level; crossing to the other side restores
    // the side left behind to full level at once, and the centre restores both
    // at once (audio channel 2, then 1).
    void panTo(int position);
    // Sends both sides for `position` at once, whatever was sent before.
    void resend(int position);

    // (1 - ((255 - x) / 255)^exponent) x 255, truncated: the level of the held
    // side at distance 255 - x from the centre.
    static int heldSideLevel(int x, int exponent);

    bool isRightSideHeld() const { return rightSideHeld; }

    static constexpr int centre = 255;
    static constexpr int fullLevel = 255;

private:
    int channelIndex;
    int exponent;
    DeferredSendTimer& sender;
    bool rightSideHeld{false};
};
