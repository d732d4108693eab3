#include "MixerFrames.h"

#include "AvcCodes.h"

namespace mixer {

namespace {

constexpr int kLevelHighByteOffset = 128;
constexpr int kBalanceCentreHighByte = 127;
constexpr std::uint8_t kFullLeftHighByte = 0x7F;
constexpr std::uint8_t kFullLeftLowByte = 0xFE;

AvcFrame functionBlockHeader(std::uint8_t blockType, int functionBlockId)
{
    AvcFrame frame;
    frame.add(avc::kCtypeControl)
        .add(avc::kAddressAudioSubunit0)
        .add(avc::kOpcodeFunctionBlock)
        .add(blockType)
        .add(static_cast<std::uint8_t>(functionBlockId))
        .add(avc::kAttributeCurrent)
        .add(avc::kSelectorLength);
    return frame;
}

} // namespace

bool isValidChannel(int channelIndex, int audioChannel)
{
    return channelIndex >= 0 && channelIndex < kChannelIndexCount && audioChannel >= 0 &&
           audioChannel < kAudioChannelCount;
}

bool isValidMuteIndex(int muteIndex)
{
    return muteIndex >= 0 && muteIndex < kMuteIndexCount;
}

bool isOutputSelector(int output)
{
    return output == kOutput12Selector || output == kOutput34Selector || output == kOutput56Selector ||
           output == kSpdifOutputSelector;
}

bool isOutputSourceTarget(int output)
{
    return output == kNoOutput || isOutputSelector(output);
}

int featureBlockId(int channelIndex)
{
    return channelIndex + kFirstFeatureBlock;
}

int levelSlot(int channelIndex, int audioChannel)
{
    return (audioChannel == 0 ? 0 : audioChannel - 1) + 2 * channelIndex;
}

MuteTarget muteTarget(int muteIndex)
{
    if (muteIndex == kSoftwareMuteIndex)
        return {kSoftwareLevelSlot, (kSoftwareLevelSlot + 10) / 2, 0};
    return {muteIndex, (muteIndex + 10) / 2, muteIndex % 2 + 1};
}

std::uint16_t levelValue(int level)
{
    const auto high = static_cast<std::uint8_t>(((level >> 1) - kLevelHighByteOffset) & 0xFF);
    return static_cast<std::uint16_t>(high << 8);
}

std::uint16_t balanceValue(int position)
{
    const auto high = static_cast<std::uint8_t>((kBalanceCentreHighByte - position) & 0xFF);
    const std::uint8_t low = high == kFullLeftHighByte ? kFullLeftLowByte : 0x00;
    return static_cast<std::uint16_t>(high << 8 | low);
}

AvcFrame featureFrame(int functionBlockId, int audioChannel, std::uint8_t controlSelector, std::uint16_t value)
{
    AvcFrame frame = functionBlockHeader(avc::kFunctionBlockFeature, functionBlockId);
    frame.add(static_cast<std::uint8_t>(audioChannel)).add(controlSelector).add(avc::kFeatureDataLength).add16(value);
    return frame;
}

AvcFrame volumeFrame(int functionBlockId, int audioChannel, std::uint16_t value)
{
    return featureFrame(functionBlockId, audioChannel, avc::kFeatureVolume, value);
}

AvcFrame balanceFrame(int channelIndex, int audioChannel, int position)
{
    return featureFrame(featureBlockId(channelIndex), audioChannel, avc::kFeatureLrBalance, balanceValue(position));
}

AvcFrame selectorFrame(int functionBlockId, int plug)
{
    AvcFrame frame = functionBlockHeader(avc::kFunctionBlockSelector, functionBlockId);
    frame.add(static_cast<std::uint8_t>(plug)).add(avc::kSelectorControl);
    return frame;
}

} // namespace mixer
