#include "CtlCommand.h"

#include "AvcCodes.h"
#include "MixerFrames.h"

namespace {

struct IntRange {
    int low;
    int high;
};

constexpr IntRange kChannelRange = {0, mixer::kChannelIndexCount - 1};
constexpr IntRange kAudioRange = {0, mixer::kAudioChannelCount - 1};
constexpr IntRange kByteRange = {0, 255};
constexpr IntRange kMuteRange = {0, mixer::kMuteIndexCount - 1};
constexpr IntRange kRouteRange = {0, 3};
constexpr IntRange kHeadphoneRange = {0, 4};
constexpr std::size_t kMaxDigits = 3;

const char* const kUsage =
    "usage: tessaryctl COMMAND ARGUMENTS\n"
    "Sends one mixer command to the first Tessary unit.\n"
    "\n"
    "  volume CHANNEL AUDIO LEVEL      channel 0..4, audio channel 0..2, level 0..255 (255 full, 0 silence)\n"
    "  balance CHANNEL AUDIO POSITION  channel 0..4, audio channel 0..2, position 0..255 (127 centre)\n"
    "  mute INDEX on|off               index 0..6: Mic 1, Mic 2, Line 3, Line 4, Spdif L, Spdif R, Software\n"
    "  route CHOICE                    software playback route: 0 1/2, 1 3/4, 2 5/6, 3 Spdif\n"
    "  output FB on|off                mix on output FB 1 (Out 1/2), 2 (Out 3/4), 3 (Out 5/6), 5 (Spdif)\n"
    "  headphone CHOICE                headphone source: 0 1/2, 1 3/4, 2 5/6, 3 Spdif, 4 Mix\n"
    "\n"
    "Channels 0..2 are the input pairs, 3 the main output, 4 software playback;\n"
    "audio channel 0 is a block's master, 1 and 2 its left and right channels.\n"
    "Each run stands alone: tessaryctl keeps no levels, so 'mute INDEX off'\n"
    "cannot restore the channel's earlier level and sets it to silence\n"
    "(send 'volume' afterwards to set a level).\n"
    "Exit status: 0 when the driver accepted the command, 1 when it failed,\n"
    "2 for invalid arguments.\n";

struct Parser {
    const std::vector<std::string>& words;
    std::string error;

    bool expectCount(std::size_t count)
    {
        if (words.size() == count)
            return true;
        error = "'" + words[0] + "' takes " + std::to_string(count - 1) + " argument" + (count == 2 ? "" : "s");
        return false;
    }

    bool number(std::size_t index, const char* name, IntRange range, int& value)
    {
        const std::string& word = words[index];
        bool digitsOnly = !word.empty() && word.size() <= kMaxDigits;
        for (char c : word)
            digitsOnly = digitsOnly && c >= '0' && c <= '9';
        if (digitsOnly)
            value = std::stoi(word);
        if (!digitsOnly || value < range.low || value > range.high) {
            error = std::string(name) + " must be a whole number from " + std::to_string(range.low) + " to " +
                    std::to_string(range.high) + ", not '" + word + "'";
            return false;
        }
        return true;
    }

    bool onOff(std::size_t index, bool& on)
    {
        const std::string& word = words[index];
        if (word == "on" || word == "off") {
            on = word == "on";
            return true;
        }
        error = "expected 'on' or 'off', not '" + word + "'";
        return false;
    }

    bool outputBlock(std::size_t index, int& output)
    {
        if (number(index, "output FB", kByteRange, output) && mixer::isOutputSelector(output))
            return true;
        error = "output FB must be 1, 2, 3 or 5, not '" + words[index] + "'";
        return false;
    }
};

bool parseCommand(Parser& p, CtlCommand& c)
{
    const std::string& name = p.words[0];
    using Kind = CtlCommand::Kind;
    if (name == "volume" || name == "balance") {
        c.kind = name == "volume" ? Kind::Volume : Kind::Balance;
        return p.expectCount(4) && p.number(1, "CHANNEL", kChannelRange, c.channelIndex) &&
               p.number(2, "AUDIO", kAudioRange, c.audioChannel) &&
               p.number(3, name == "volume" ? "LEVEL" : "POSITION", kByteRange, c.value);
    }
    if (name == "mute") {
        c.kind = Kind::Mute;
        return p.expectCount(3) && p.number(1, "INDEX", kMuteRange, c.value) && p.onOff(2, c.on);
    }
    if (name == "route") {
        c.kind = Kind::Route;
        return p.expectCount(2) && p.number(1, "CHOICE", kRouteRange, c.value);
    }
    if (name == "output") {
        c.kind = Kind::Output;
        return p.expectCount(3) && p.outputBlock(1, c.value) && p.onOff(2, c.on);
    }
    if (name == "headphone") {
        c.kind = Kind::Headphone;
        return p.expectCount(2) && p.number(1, "CHOICE", kHeadphoneRange, c.value);
    }
    p.error = "unknown command '" + name + "'";
    return false;
}

} // namespace

const char* ctlUsage()
{
    return kUsage;
}

CtlParseResult parseCtlArguments(const std::vector<std::string>& arguments)
{
    CtlParseResult result;
    if (arguments.empty()) {
        result.error = "no command given";
        return result;
    }
    if (arguments.size() == 1 && (arguments[0] == "help" || arguments[0] == "--help" || arguments[0] == "-h")) {
        result.helpRequested = true;
        return result;
    }
    Parser parser{arguments, {}};
    CtlCommand command;
    if (parseCommand(parser, command))
        result.command = command;
    else
        result.error = parser.error;
    return result;
}

AvcFrame ctlFrame(const CtlCommand& command)
{
    using Kind = CtlCommand::Kind;
    switch (command.kind) {
    case Kind::Volume:
        return mixer::volumeFrame(mixer::featureBlockId(command.channelIndex), command.audioChannel,
                                  mixer::levelValue(command.value));
    case Kind::Balance:
        return mixer::balanceFrame(command.channelIndex, command.audioChannel, command.value);
    case Kind::Mute: {
        const mixer::MuteTarget target = mixer::muteTarget(command.value);
        const int noCachedLevel = 0;
        return mixer::volumeFrame(target.functionBlockId, target.audioChannel,
                                  command.on ? avc::kMinusInfinity : mixer::levelValue(noCachedLevel));
    }
    case Kind::Route:
        return mixer::selectorFrame(mixer::kPlaybackRouteSelector, command.value);
    case Kind::Output:
        return mixer::selectorFrame(command.value, command.on ? mixer::kPlugFromMix : mixer::kPlugOff);
    case Kind::Headphone:
        return mixer::selectorFrame(mixer::kHeadphoneSelector, command.value);
    }
    return AvcFrame();
}
