// Command line of tessaryctl: one mixer command for the first Tessary unit.
#pragma once

#include "AvcRequest.h"

#include <optional>
#include <string>
#include <vector>

struct CtlCommand
{
    enum class Kind { Volume, Balance, Mute, Route, Output, Headphone };
    Kind kind = Kind::Volume;
    int channelIndex = 0;
    int audioChannel = 0;
    int value = 0; // level, position, mute index, route, output FB or headphone choice
    bool on = false;
};

// Exit statuses of tessaryctl.
constexpr int kCtlExitAccepted = 0; // the unit accepted the command
constexpr int kCtlExitFailed = 1;   // the driver request failed (no driver, no unit, busy, ...)
constexpr int kCtlExitUsage = 2;    // invalid arguments; nothing was sent
constexpr int kCtlExitRefused = 3;  // the unit answered, but did not accept the command
constexpr int kCtlExitNoAnswer = 4; // no answer within the time limit

constexpr int kCtlDefaultTimeLimitSeconds = 15;

struct CtlParseResult
{
    std::optional<CtlCommand> command; // set when the arguments are valid
    bool helpRequested = false;
    int timeLimitSeconds = kCtlDefaultTimeLimitSeconds;
    std::string error; // why the arguments were refused
};

// `arguments` are the words after the program name.
CtlParseResult parseCtlArguments(const std::vector<std::string>& arguments);

const char* ctlUsage();

// The frame the command sends. No level cache exists here, so "mute N off"
// sends the level-0 volume, which is silence.
AvcFrame ctlFrame(const CtlCommand& command);

// What the unit answered: a CONTROL command counts as done only when the
// response is ACCEPTED. `response` names the code ("REJECTED", ...).
struct CtlAnswer
{
    bool accepted = false;
    std::string response;
};
CtlAnswer ctlAnswer(const AvcResponse& response);
