// The settings program's control path that lists the units: the node records
// (one per Tessary on the bus) and the last clock block read.
#pragma once

#include "ControlDevice.h"

class NodeListDevice : public ControlDevice
{
public:
    explicit NodeListDevice(const InterfaceProfile& profile = programProfile());

    // Reads the clock block into this object; 0 or the request's status. The
    // block is cleared first, so after a failed read the sample rate is
    // unknown (0), not the one last read.
    StatusCode readClock();
    const ClockBlock& clockBlock() const { return clock; }
    std::uint32_t sampleRate() const { return clock.words[kSampleRateWord]; }
    // Keeps a rate written to the driver as the block's current one.
    void setSampleRate(std::uint32_t rateHz) { clock.words[kSampleRateWord] = rateHz; }

private:
    ClockBlock clock = {};
};
