// The byte form of mix and state files: the magic "PROP", the pair count as a
// 32-bit little-endian number, then each key and each value followed by a zero
// byte. "CPRP" files hold the count and pairs as a zlib stream; they are read,
// never written.
//
// Reading never trusts the file: it stops at the end of the data, keeps the
// pairs read before any damage, allocates nothing from the count, and inflates
// at most maxContentBytes.
#pragma once

#include "MixProperties.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace mixfile {

// Larger files are read up to this size; the mixer writes under a kilobyte.
constexpr std::size_t maxContentBytes = 1u << 20;

enum class Outcome {
    Complete,      // every pair the count announced
    Damaged,       // the pairs before the data ended, broke off or grew too large
    NotRecognised, // no magic of this format (an empty file among them): no pairs
};

struct ReadResult
{
    MixProperties properties;
    Outcome outcome = Outcome::NotRecognised;
};

ReadResult parse(const std::uint8_t* data, std::size_t size);

// The uncompressed "PROP" form.
std::string serialise(const MixProperties& properties);

} // namespace mixfile
