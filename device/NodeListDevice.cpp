#include "NodeListDevice.h"

#include "CriticalSectionLock.h"

NodeListDevice::NodeListDevice(const InterfaceProfile& profile) : ControlDevice(profile) {}

StatusCode NodeListDevice::readClock()
{
    CriticalSectionLock guard(lock, serialised());
    return readClockBlock(clock);
}
