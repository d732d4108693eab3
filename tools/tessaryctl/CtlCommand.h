// Command line of tessaryctl: one mixer command for the first Tessary unit.
#pragma once

#include "AvcRequest.h"

#include <optional>
#include <string>
#include <vector>

struct CtlCommand {
    enum class Kind { Volume, Balance, Mute, Route, Output, Headphone };
    Kind kind = Kind::Volume;
    int channelIndex = 0;
    int audioChannel = 0;
    int value = 0; // level, position, mute index, route, output FB or headphone choice
    bool on = false;
};

struct CtlParseResult {
    std::optional<CtlCommand> command; // set when the arguments are valid
    bool helpRequested = false;
    std::string error;                 // why the arguments were refused
};

// `arguments` are the words after the program name.
CtlParseResult parseCtlArguments(const std::vector<std::string>& arguments);

const char* ctlUsage();

// The frame the command sends. No level cache exists here, so "mute N off"
// sends the level-0 volume, which is silence.
AvcFrame ctlFrame(const CtlCommand& command);
