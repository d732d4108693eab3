// The settings program's control path that lists the units: the node records
// (one per Tessary on the bus) and the last clock block read.
#pragma once

#include "ControlDevice.h"

class NodeListDevice : public ControlDevice {
public:
    explicit NodeListDevice(const InterfaceProfile& profile = programProfile());

    // Reads the clock block into this object; 0 or the request's status.
    StatusCode readClock();
    const ClockBlock& clockBlock() const { return clock; }
    std::uint32_t sampleRate() const { return clock.words[kSampleRateWord]; }

private:
    ClockBlock clock = {};
};
