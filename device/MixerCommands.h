// The mixer program's command set for the Tessary's internal mixer: one AV/C
// CONTROL frame per command, sent on the program's driver session. Keeps the
// last level and a mute flag per channel slot so that mute can be carried out
// as a volume of minus infinity and undone by re-sending the cached level.
#pragma once

#include <cstdint>
#include <memory>

#include <windows.h>

class AvcFrame;
class ControlDevice;
class DriverSession;

class MixerCommands
{
public:
    // Opens the control path, reads the node directory, opens the session on the
    // first Tessary and sends balance 128 to the six input channels.
    MixerCommands();
    virtual ~MixerCommands();

    // Each returns true when the request reached the driver with status 0 (or, for
    // setVolume on a muted slot, when nothing needed sending).
    bool setVolume(int channelIndex, int audioChannel, int level);
    bool setBalance(int channelIndex, int audioChannel, int position);
    bool setMute(int muteIndex, bool on);
    bool setPlaybackRoute(int choice);
    // `output` is an output selector block (1, 2, 3 or 5), or 0, which no output
    // has (sent for Bypass when no output had the mix). Any other value sends nothing.
    bool setOutputSource(int output, bool fromMix);
    bool setHeadphoneSource(int choice);

    // Following the units as they come and go: a session is open while the
    // first Tessary is there. connectUnit opens one when none is open (true
    // when it opened now; the caller then sends what the unit should hold).
    // releaseUnit closes the session when `devicePath` names its unit (true
    // when it did); commands then send nothing until a unit is connected again.
    bool connectUnit();
    bool releaseUnit(const char* devicePath);
    bool isConnected() const;
    // The device-interface class whose arrivals and removals concern the mixer.
    static const GUID& unitInterfaceClass();

    MixerCommands(const MixerCommands&) = delete;
    MixerCommands& operator=(const MixerCommands&) = delete;

private:
    static constexpr int kSlots = 10;

    void start();
    bool send(const AvcFrame& frame);

    std::unique_ptr<ControlDevice> control;
    std::unique_ptr<DriverSession> session;
    std::int32_t levels[kSlots] = {};
    bool muted[kSlots] = {};
};

// The program's one command object, published by the main panel before any
// control exists; null until then.
extern MixerCommands* theMixerCommands;
