#include "NodeListDevice.h"

#include "CriticalSectionLock.h"

NodeListDevice::NodeListDevice(const InterfaceProfile& profile) : ControlDevice(profile) {}

StatusCode NodeListDevice::readClock()
{
    CriticalSectionLock guard(lock, serialised());
    const StatusCode result = readClockBlock(clock);
    if (result != status::kSuccess)
        clock.words[kSampleRateWord] = kUnknownSampleRate;
    return result;
}
