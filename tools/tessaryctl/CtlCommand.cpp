#include "CtlCommand.h"

#include "AvcCodes.h"
#include "MixerFrames.h"

#include <cstdio>

namespace {

struct IntRange
{
    int low;
    int high;
};

constexpr IntRange kChannelRange = {0, mixer::kChannelIndexCount - 1};
constexpr IntRange kAudioRange = {0, mixer::kAudioChannelCount - 1};
constexpr IntRange kByteRange = {0, 255};
constexpr IntRange kMuteRange = {0, mixer::kMuteIndexCount - 1};
constexpr IntRange kRouteRange = {0, 3};
constexpr IntRange kHeadphoneRange = {0, 4};

constexpr IntRange kTimeLimitRange = {1, 3600};

const char* const kUsage =
    "usage: tessaryctl [--timeout SECONDS] COMMAND ARGUMENTS\n"
    "       tessaryctl --help | --version\n"
    "Sends one mixer command to the first Tessary unit and waits at most SECONDS\n"
    "(1..3600, default 15) for the answer.\n"
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
    "Exit status: 0 the unit accepted the command; 1 the driver request failed\n"
    "(no driver, no unit, driver busy); 2 invalid arguments; 3 the unit answered\n"
    "without accepting (REJECTED, NOT IMPLEMENTED, ...); 4 no answer in time (a\n"
    "request the driver had not yet taken is dropped, never carried out later).\n";

struct Parser
{
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
        // No more digits than the largest value has: no overflow, no padded "0255".
        bool digitsOnly = !word.empty() && word.size() <= std::to_string(range.high).size();
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
    std::vector<std::string> words = arguments;
    if (words[0] == "--timeout") {
        Parser option{words, {}};
        if (words.size() < 2 || !option.number(1, "SECONDS", kTimeLimitRange, result.timeLimitSeconds)) {
            result.error = words.size() < 2 ? "'--timeout' takes a number of seconds" : option.error;
            return result;
        }
        words.erase(words.begin(), words.begin() + 2);
        if (words.empty()) {
            result.error = "no command given";
            return result;
        }
    }
    Parser parser{words, {}};
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

CtlAnswer ctlAnswer(const AvcResponse& response)
{
    const std::uint8_t code = response.frame[0];
    CtlAnswer answer;
    answer.accepted = code == avc::kResponseAccepted;
    switch (code) {
    case avc::kResponseNotImplemented:
        answer.response = "NOT IMPLEMENTED";
        break;
    case avc::kResponseAccepted:
        answer.response = "ACCEPTED";
        break;
    case avc::kResponseRejected:
        answer.response = "REJECTED";
        break;
    case avc::kResponseInTransition:
        answer.response = "IN TRANSITION";
        break;
    case avc::kResponseImplementedStable:
        answer.response = "IMPLEMENTED/STABLE";
        break;
    case avc::kResponseChanged:
        answer.response = "CHANGED";
        break;
    case avc::kResponseInterim:
        answer.response = "INTERIM";
        break;
    default:
        char text[32];
        std::snprintf(text, sizeof text, "response code 0x%02X", code);
        answer.response = text;
    }
    return answer;
}
