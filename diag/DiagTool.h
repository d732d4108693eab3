// What the diagnostics tool does, apart from drawing it: read the driver's
// stream buffer depth at start, keep the depth the user chooses and, on OK,
// write it and advise reconnecting the unit.
#pragma once

#include "MessageBoxes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace diag {

struct DepthChoice
{
    const char* caption;
    std::int32_t microseconds;
};

// Indexed as the option buttons are; listed on screen from index 4 down to 0.
extern const std::array<DepthChoice, 5> kDepthChoices;
constexpr int kDefaultChoice = 3;

extern const char* const kKeyNotFound;
extern const char* const kReconnectAdvice;
extern const char* const kWriteRefused;

// The choice showing `microseconds`; any depth not offered shows as the default.
int choiceForDepth(std::int32_t microseconds);

struct ProgramVersion
{
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// "<program>  Version 1.0.0", a blank line and the maker's two notice lines.
std::string aboutText(const std::string& programName, ProgramVersion version);

class DiagTool
{
public:
    DiagTool(MessageBoxes& boxes, std::function<void()> endProgram);

    // Reads the stored depth (warning when the driver's key is missing), then
    // calls `showWindow` once the user has seen any warning.
    void startUp(std::function<void()> showWindow);

    std::int32_t pendingDepth() const { return pending; }
    // The stored depth as read at start, e.g. "12 ms"; empty when the key is missing.
    const std::string& currentDepthCaption() const { return currentCaption; }
    int preselectedChoice() const { return choiceForDepth(pending); }

    void choose(int index);
    // OK: writes the pending depth, advises reconnecting and ends the program.
    // A refused write (no administrative rights) is reported instead of the advice.
    void confirm();
    // Cancel, or the window closed: ends the program without writing.
    void cancel();
    void showAbout(const std::string& programName, ProgramVersion version);

private:
    void finish();

    MessageBoxes& boxes;
    std::function<void()> endProgram;
    std::int32_t pending = 0;
    std::string currentCaption;
    bool ending = false;
};

} // namespace diag
