#include "SideHoldPan.h"

#include <cmath>

namespace {
constexpr int leftChannel = 1;
constexpr int rightChannel = 2;
} // namespace

SideHoldPan::SideHoldPan(int channel, int curveExponent, DeferredSendTimer& levelSender)
    : channelIndex(channel), exponent(curveExponent), sender(levelSender)
{
}

int SideHoldPan::heldSideLevel(int x, int curveExponent)
{
    const double distance = (centre - x) / 255.0;
    return static_cast<int>((1.0 - std::pow(distance, curveExponent)) * 255.0);
}

void SideHoldPan::resend(int position)
{
    sender.sendNow(channelIndex, leftChannel, position < centre ? heldSideLevel(position, exponent) : fullLevel);
    sender.sendNow(channelIndex, rightChannel,
                   position > centre ? heldSideLevel(2 * centre - position, exponent) : fullLevel);
    rightSideHeld = position > centre;
}

void SideHoldPan::panTo(int position)
{
    if (position < centre) {
        sender.schedule(channelIndex, leftChannel, heldSideLevel(position, exponent));
        if (rightSideHeld) {
            sender.sendNow(channelIndex, rightChannel, fullLevel);
            rightSideHeld = false;
        }
    } else if (position > centre) {
        sender.schedule(channelIndex, rightChannel, heldSideLevel(2 * centre - position, exponent));
        if (!rightSideHeld) {
            sender.sendNow(channelIndex, leftChannel, fullLevel);
            rightSideHeld = true;
        }
    } else {
        sender.sendNow(channelIndex, rightChannel, fullLevel);
        sender.sendNow(channelIndex, leftChannel, fullLevel);
    }
}
