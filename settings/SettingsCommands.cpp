#include "SettingsCommands.h"

#include "SettingsFrames.h"

#include <DeviceInterfaces.h>

namespace settings {

namespace {

constexpr DWORD kFirstUnit = 0;
constexpr DWORD kSecondUnit = 1;
constexpr int kUnitsWithSelector = 2;

} // namespace

SettingsCommands::SettingsCommands(NodeListDevice& nodeList, const InterfaceProfile& interfaceProfile)
    : nodes(nodeList), profile(interfaceProfile), session(interfaceProfile)
{
}

StatusCode SettingsCommands::sendOnMember(HDEVINFO set, DWORD memberIndex, const AvcFrame& frame)
{
    if (const StatusCode opened = session.open(memberIndex, set, &profile.interfaceClass); opened != status::kSuccess)
        return opened;
    const StatusCode sent = session.sendAvcFrame(frame);
    session.close();
    return sent;
}

void SettingsCommands::applyClockSource(int clockSourceIndex, int unitCount)
{
    // Every command looks the units up afresh and gives the lookup back when done.
    const DeviceInterfaceSet units(findInterfaces(profile.interfaceClass));
    if (units.get() == nullptr)
        return;
    if (sendOnMember(units.get(), kFirstUnit, clockSourceFrame(clockSourceIndex)) != status::kSuccess)
        return;
    if (unitCount != kUnitsWithSelector)
        return;
    sendOnMember(units.get(), kSecondUnit, secondUnitSelectorFrame(clockSourceIndex));
}

void SettingsCommands::sendInputBoost(int input, bool on)
{
    const DeviceInterfaceSet units(findInterfaces(profile.interfaceClass));
    if (units.get() == nullptr)
        return;
    sendOnMember(units.get(), kFirstUnit, inputBoostFrame(input, on));
}

void SettingsCommands::setCpuLevel(std::uint32_t value)
{
    CpuBlock block = {};
    block.words[kCpuSettingWord] = value;
    nodes.writeCpuBlock(block);
    nodes.applyStep1();
    nodes.applyStep2();
}

namespace {

// The menu item of a CPU level; 0 for a level that has none.
UINT menuItemOfLevel(std::uint32_t level)
{
    switch (level) {
    case kCpuHigh:
        return kCpuHighItem;
    case kCpuMedium:
        return kCpuMediumItem;
    case kCpuLow:
        return kCpuLowItem;
    default:
        return 0;
    }
}

} // namespace

UINT SettingsCommands::cpuMenuItemForLevel()
{
    CpuBlock block = {};
    if (nodes.readCpuBlock(block) != status::kSuccess)
        return 0;
    const std::uint32_t level = block.words[kCpuSettingWord];
    const UINT item = menuItemOfLevel(level);
    return item != 0 ? item : level;
}

UINT SettingsCommands::checkedCpuMenuItem()
{
    CpuBlock block = {};
    if (nodes.readCpuBlock(block) != status::kSuccess)
        return 0;
    return menuItemOfLevel(block.words[kCpuSettingWord]);
}

StatusCode SettingsCommands::writeBufferLength(const BufferBlock& block)
{
    if (const StatusCode written = nodes.writeBufferBlock(block); written != status::kSuccess)
        return written;
    if (const StatusCode applied = nodes.applyStep1(); applied != status::kSuccess)
        return applied;
    return nodes.applyStep2();
}

} // namespace settings
