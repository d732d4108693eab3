// Blocks exchanged with the driver on its control path. Only the words the
// programs use are named; the rest is the driver's.
#pragma once

#include <cstdint>

constexpr unsigned kMaxNodeIds = 64;

struct NodeDirectoryBlock
{
    std::uint32_t count;
    std::uint32_t nodeIds[kMaxNodeIds];
};

struct NotificationBlock
{
    std::uint32_t kind;
    std::uint32_t reserved[2];
};

// CPU block: the fourth word is the driver's CPU setting (1000, 2000 or 4000).
struct CpuBlock
{
    std::uint32_t words[4];
};

// Buffer block: the first word is the buffer length in microseconds.
struct BufferBlock
{
    std::uint32_t words[4];
};

// Clock block: the second word is the current sample rate in Hz.
struct ClockBlock
{
    std::uint32_t words[11];
};

struct SampleRateBlock
{
    std::uint32_t zero;
    std::uint32_t rateHz;
};

static_assert(sizeof(NodeDirectoryBlock) == 260, "driver buffer layout");
static_assert(sizeof(NotificationBlock) == 12, "driver buffer layout");
static_assert(sizeof(CpuBlock) == 16, "driver buffer layout");
static_assert(sizeof(BufferBlock) == 16, "driver buffer layout");
static_assert(sizeof(ClockBlock) == 44, "driver buffer layout");
static_assert(sizeof(SampleRateBlock) == 8, "driver buffer layout");

constexpr unsigned kCpuSettingWord = 3;
constexpr unsigned kBufferLengthWord = 0;
constexpr unsigned kSampleRateWord = 1;
