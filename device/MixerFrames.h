// The AV/C frames of the Tessary's mixer and the addressing of its channels.
// Feature function blocks 5 to 9 carry the levels and balances of the five
// channel indexes; selector function blocks choose routes and sources.
#pragma once

#include "AvcRequest.h"

#include <cstdint>

namespace mixer {

constexpr int kChannelIndexCount = 5; // 0..2 input pairs, 3 main output, 4 software playback
constexpr int kAudioChannelCount = 3; // 0 master, 1 and 2 the block's two channels
constexpr int kMuteIndexCount = 7;    // Mic 1, Mic 2, Line 3, Line 4, Spdif L, Spdif R, Software
constexpr int kLevelSlotCount = 10;
constexpr int kFirstFeatureBlock = 5;

// Slots of the level cache: the software strip's level, and its pan levels
// which are neither cached nor held back by mute.
constexpr int kSoftwareLevelSlot = 8;
constexpr int kSoftwarePanSlot = 9;
constexpr int kSoftwareMuteIndex = 6;

// Selector function blocks (numbered apart from the feature blocks).
constexpr int kOutput12Selector = 1;
constexpr int kOutput34Selector = 2;
constexpr int kOutput56Selector = 3;
constexpr int kHeadphoneSelector = 4;
constexpr int kSpdifOutputSelector = 5;
constexpr int kPlaybackRouteSelector = 6;
// Block 0 is no selector of the unit: switching it "off" is what the output
// selector sends at start-up and on Bypass when no output had the mix.
constexpr int kNoOutput = 0;
constexpr int kPlugOff = 0;
constexpr int kPlugFromMix = 1;

constexpr int kCentreBalancePosition = 128;

bool isValidChannel(int channelIndex, int audioChannel);
bool isValidMuteIndex(int muteIndex);
bool isOutputSelector(int output);
// An output selector block, or kNoOutput.
bool isOutputSourceTarget(int output);

int featureBlockId(int channelIndex);
int levelSlot(int channelIndex, int audioChannel);

// Where a mute switch acts: its level slot and the volume control it silences.
struct MuteTarget
{
    int slot;
    int functionBlockId;
    int audioChannel;
};
MuteTarget muteTarget(int muteIndex);

// Control data of a level 0..255 (256 also encodes, to 0 dB): 1/256 dB steps,
// high byte (level >> 1) - 128, so 0 and 1 are silence and 255 is -1 dB.
std::uint16_t levelValue(int level);
// Control data of a balance position 0..255: 127 is the centre (0x0000);
// position 0 gives 0x7FFE rather than 0x7FFF.
std::uint16_t balanceValue(int position);

AvcFrame featureFrame(int functionBlockId, int audioChannel, std::uint8_t controlSelector, std::uint16_t value);
AvcFrame volumeFrame(int functionBlockId, int audioChannel, std::uint16_t value);
AvcFrame balanceFrame(int channelIndex, int audioChannel, int position);
AvcFrame selectorFrame(int functionBlockId, int plug);

} // namespace mixer
