// The commands that change the Tessary's settings: the clock source and the
// input boosts as AV/C frames on a session opened for that one command, and
// the CPU level and buffer length as requests on the control path.
#pragma once

#include <ControlBlocks.h>
#include <DriverSession.h>
#include <NodeListDevice.h>

namespace settings {

// Tray menu items of the CPU levels, and the levels they stand for.
constexpr UINT kCpuLowItem = 137;
constexpr UINT kCpuMediumItem = 138;
constexpr UINT kCpuHighItem = 139;
constexpr std::uint32_t kCpuLow = 4000;
constexpr std::uint32_t kCpuMedium = 2000;
constexpr std::uint32_t kCpuHigh = 1000;

class SettingsCommands
{
public:
    explicit SettingsCommands(NodeListDevice& nodes, const InterfaceProfile& profile = programProfile());

    // The clock-source frame to the first unit and, with exactly two units
    // present, the selector frame to the second. Nothing when no unit can be opened.
    void applyClockSource(int clockSourceIndex, int unitCount);
    // The boost frame of input 0 to 3 to the first unit.
    void sendInputBoost(int input, bool on);
    // The CPU block with `value` in its fourth word, then both apply steps, each whatever the last gave.
    void setCpuLevel(std::uint32_t value);
    // The menu item of the driver's CPU level (139 High, 138 Medium, 137 Low);
    // any other level as it is, 0 when it cannot be read.
    UINT cpuMenuItemForLevel();
    // The menu item to check for the driver's CPU level: one of the three
    // items for the three levels, 0 for any other level or none read. (A level
    // of 137, say, is no menu item, whatever cpuMenuItemForLevel says.)
    UINT checkedCpuMenuItem();
    // The buffer block, then the apply steps, stopping at the first failure; its status or 0.
    StatusCode writeBufferLength(const BufferBlock& block);

    SettingsCommands(const SettingsCommands&) = delete;
    SettingsCommands& operator=(const SettingsCommands&) = delete;

private:
    // Sends the frame on member `memberIndex` of `set`; the session is closed again either way.
    StatusCode sendOnMember(HDEVINFO set, DWORD memberIndex, const AvcFrame& frame);

    NodeListDevice& nodes;
    const InterfaceProfile& profile;
    DriverSession session;
};

} // namespace settings
