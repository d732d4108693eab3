#include "MixerCommands.h"

#include "AvcCodes.h"
#include "ControlDevice.h"
#include "DeviceInterfaces.h"
#include "DriverSession.h"
#include "MixerFrames.h"

#include <cctype>
#include <limits>

MixerCommands* theMixerCommands = nullptr;

namespace {

constexpr DWORD kFirstUnit = 0;

// The six input channels that start centred: (channel index, audio channel).
constexpr int kInputChannels[][2] = {{0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 1}, {2, 2}};

bool fitsPlug(int plug)
{
    return plug >= 0 && plug <= std::numeric_limits<std::uint8_t>::max();
}

// Device paths name the same interface whatever the case of their letters.
bool samePath(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

} // namespace

static_assert(mixer::kLevelSlotCount == 10, "one level slot per cached channel");

MixerCommands::MixerCommands()
    : control(std::make_unique<ControlDevice>(mixerProfile())), session(std::make_unique<DriverSession>(mixerProfile()))
{
    start();
}

MixerCommands::~MixerCommands() = default;

void MixerCommands::start()
{
    if (!connectUnit())
        return;
    for (const auto& channel : kInputChannels)
        setBalance(channel[0], channel[1], mixer::kCentreBalancePosition);
}

const GUID& MixerCommands::unitInterfaceClass()
{
    return mixerProfile().interfaceClass;
}

bool MixerCommands::isConnected() const
{
    return session->isOpen();
}

bool MixerCommands::connectUnit()
{
    if (session->isOpen())
        return false;
    if (!control->isOpen() && control->open() == status::kSuccess)
        control->readNodes();

    const GUID& interfaceClass = unitInterfaceClass();
    DeviceInterfaceSet interfaces(findInterfaces(interfaceClass));
    if (interfaces.get() == nullptr)
        return false;
    return session->open(kFirstUnit, interfaces.get(), &interfaceClass) == status::kSuccess;
}

bool MixerCommands::releaseUnit(const char* devicePath)
{
    if (!session->isOpen() || devicePath == nullptr || !samePath(devicePath, session->devicePath()))
        return false;
    session->close();
    return true;
}

bool MixerCommands::send(const AvcFrame& frame)
{
    return session->sendAvcFrame(frame) == status::kSuccess;
}

bool MixerCommands::setVolume(int channelIndex, int audioChannel, int level)
{
    if (!mixer::isValidChannel(channelIndex, audioChannel))
        return false;
    const int slot = mixer::levelSlot(channelIndex, audioChannel);
    const bool softwarePan =
        slot == mixer::kSoftwarePanSlot || (slot == mixer::kSoftwareLevelSlot && audioChannel != 0);
    if (!softwarePan) {
        levels[slot] = level;
        if (muted[slot])
            return true;
    }
    return send(mixer::volumeFrame(mixer::featureBlockId(channelIndex), audioChannel, mixer::levelValue(level)));
}

bool MixerCommands::setBalance(int channelIndex, int audioChannel, int position)
{
    if (!mixer::isValidChannel(channelIndex, audioChannel))
        return false;
    return send(mixer::balanceFrame(channelIndex, audioChannel, position));
}

bool MixerCommands::setMute(int muteIndex, bool on)
{
    if (!mixer::isValidMuteIndex(muteIndex))
        return false;
    const mixer::MuteTarget target = mixer::muteTarget(muteIndex);
    muted[target.slot] = on;
    const std::uint16_t value = on ? avc::kMinusInfinity : mixer::levelValue(levels[target.slot]);
    return send(mixer::volumeFrame(target.functionBlockId, target.audioChannel, value));
}

bool MixerCommands::setPlaybackRoute(int choice)
{
    if (!fitsPlug(choice))
        return false;
    return send(mixer::selectorFrame(mixer::kPlaybackRouteSelector, choice));
}

bool MixerCommands::setOutputSource(int output, bool fromMix)
{
    // Only the output selectors take an on/off plug; any other selector would be
    // switched to plug 0 or 1 as a side effect (block 4 is the headphone source).
    // Block 0 selects nothing and goes out as the selector sends it.
    if (!mixer::isOutputSourceTarget(output))
        return false;
    return send(mixer::selectorFrame(output, fromMix ? mixer::kPlugFromMix : mixer::kPlugOff));
}

bool MixerCommands::setHeadphoneSource(int choice)
{
    if (!fitsPlug(choice))
        return false;
    return send(mixer::selectorFrame(mixer::kHeadphoneSelector, choice));
}
