// AV/C command set codes the simulated audio subunit understands.
#pragma once

#include <cstdint>

namespace sim::avc {

// ctype (command) and response codes
constexpr std::uint8_t kControl = 0x00;
constexpr std::uint8_t kStatus = 0x01;
constexpr std::uint8_t kSpecificInquiry = 0x02;
constexpr std::uint8_t kNotify = 0x03;
constexpr std::uint8_t kGeneralInquiry = 0x04;
constexpr std::uint8_t kNotImplemented = 0x08;
constexpr std::uint8_t kAccepted = 0x09;
constexpr std::uint8_t kRejected = 0x0A;
constexpr std::uint8_t kInTransition = 0x0B;
constexpr std::uint8_t kImplementedStable = 0x0C;
constexpr std::uint8_t kChanged = 0x0D;
constexpr std::uint8_t kInterim = 0x0F;

// addresses
constexpr std::uint8_t kAudioSubunit0 = 0x08;
constexpr std::uint8_t kUnitAddress = 0xFF;
constexpr std::uint8_t kMusicSubunit0 = 0x60;

// opcodes
constexpr std::uint8_t kOpcodeFunctionBlock = 0xB8;
constexpr std::uint8_t kOpcodeSignalSource = 0x1A;

// function blocks
constexpr std::uint8_t kSelectorFunctionBlock = 0x80;
constexpr std::uint8_t kFeatureFunctionBlock = 0x81;
constexpr std::uint8_t kAttributeCurrent = 0x10;
constexpr std::uint8_t kSelectorControl = 0x01;
constexpr std::uint8_t kVolumeControl = 0x02;
constexpr std::uint8_t kBalanceControl = 0x03;

// signal source plugs of the unit's clock
constexpr std::uint8_t kInternalClockPlug = 0x06; // music subunit plug 6
constexpr std::uint8_t kSpdifClockPlug = 0x83;    // unit external plug 3
constexpr std::uint8_t kClockDestinationPlug = 0x05;

constexpr std::uint16_t kSilence = 0x8000;

} // namespace sim::avc
