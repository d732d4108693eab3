#include "SettingsFrames.h"

#include <AvcCodes.h>

namespace settings {

namespace {

constexpr std::uint8_t kSignalSourceOperand = 0x0F;
constexpr std::uint8_t kMusicSubunit0 = 0x60; // subunit type 0x0C, id 0
constexpr std::uint8_t kUnitExternalPlug3 = 0x83;
constexpr std::uint8_t kMusicSubunitSourcePlug = 0x06;
constexpr std::uint8_t kMusicSubunitDestinationPlug = 0x05;
constexpr std::uint8_t kSecondUnitSelectorBlock = 0x01;
constexpr std::uint8_t kFirstBoostBlock = 10;
constexpr std::uint16_t kBoostOn = 0x0C00; // +12.00 dB in 1/256 dB
constexpr std::uint16_t kBoostOff = 0x0000;

constexpr int kSpdifIndex = 1;
constexpr int kSecondSpdifIndex = 2;

} // namespace

AvcFrame clockSourceFrame(int clockSourceIndex)
{
    const bool fromUnitInput = clockSourceIndex == kSpdifIndex;
    AvcFrame frame;
    frame.add(avc::kCtypeControl)
        .add(avc::kAddressUnit)
        .add(avc::kOpcodeSignalSource)
        .add(kSignalSourceOperand)
        .add(fromUnitInput ? avc::kAddressUnit : kMusicSubunit0)
        .add(fromUnitInput ? kUnitExternalPlug3 : kMusicSubunitSourcePlug)
        .add(kMusicSubunit0)
        .add(kMusicSubunitDestinationPlug);
    return frame;
}

AvcFrame secondUnitSelectorFrame(int clockSourceIndex)
{
    AvcFrame frame;
    frame.add(avc::kCtypeControl)
        .add(avc::kAddressAudioSubunit0)
        .add(avc::kOpcodeFunctionBlock)
        .add(avc::kFunctionBlockSelector)
        .add(kSecondUnitSelectorBlock)
        .add(avc::kAttributeCurrent)
        .add(avc::kSelectorLength)
        .add(clockSourceIndex == kSecondSpdifIndex ? 0x00 : 0x01)
        .add(avc::kSelectorControl);
    return frame;
}

AvcFrame inputBoostFrame(int input, bool on)
{
    AvcFrame frame;
    frame.add(avc::kCtypeControl)
        .add(avc::kAddressAudioSubunit0)
        .add(avc::kOpcodeFunctionBlock)
        .add(avc::kFunctionBlockFeature)
        .add(static_cast<std::uint8_t>(kFirstBoostBlock + (input >> 1)))
        .add(avc::kAttributeCurrent)
        .add(avc::kSelectorLength)
        .add(static_cast<std::uint8_t>((input & 1) + 1))
        .add(avc::kFeatureVolume)
        .add(avc::kFeatureDataLength)
        .add16(on ? kBoostOn : kBoostOff);
    return frame;
}

} // namespace settings
