// AV/C Digital Interface Command Set codes used by the Tessary programs,
// including the Audio Subunit's function block commands.
#pragma once

#include <cstdint>

namespace avc {

// ctype
constexpr std::uint8_t kCtypeControl = 0x00;

// Subunit addresses: subunit type in the upper five bits, ID in the lower three.
constexpr std::uint8_t kAddressAudioSubunit0 = 0x08;
constexpr std::uint8_t kAddressUnit = 0xFF;

// Opcodes
constexpr std::uint8_t kOpcodeFunctionBlock = 0xB8;
constexpr std::uint8_t kOpcodeSignalSource = 0x1A;

// Function block types
constexpr std::uint8_t kFunctionBlockSelector = 0x80;
constexpr std::uint8_t kFunctionBlockFeature = 0x81;

// Control attributes
constexpr std::uint8_t kAttributeCurrent = 0x10;

// Length of the selector field (audio channel or input plug plus control selector).
constexpr std::uint8_t kSelectorLength = 0x02;

// Control selectors of a feature function block
constexpr std::uint8_t kFeatureVolume = 0x02;
constexpr std::uint8_t kFeatureLrBalance = 0x03;

// Control selector of a selector function block
constexpr std::uint8_t kSelectorControl = 0x01;

// Response codes (the first byte of a response frame)
constexpr std::uint8_t kResponseNotImplemented = 0x08;
constexpr std::uint8_t kResponseAccepted = 0x09;
constexpr std::uint8_t kResponseRejected = 0x0A;
constexpr std::uint8_t kResponseInTransition = 0x0B;
constexpr std::uint8_t kResponseImplementedStable = 0x0C;
constexpr std::uint8_t kResponseChanged = 0x0D;
constexpr std::uint8_t kResponseInterim = 0x0F;

// Feature control data: signed 16 bits in steps of 1/256 dB.
constexpr std::uint8_t kFeatureDataLength = 0x02;
constexpr std::uint16_t kMinusInfinity = 0x8000;

} // namespace avc
