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
#include <functional>
#include <string>

namespace mixfile {

// Larger files are read up to this size; the mixer writes under a kilobyte.
constexpr std::size_t maxContentBytes = 1u << 20;
// Pairs read from one file at most; the mixer writes 43. Beyond it a file
// counts as damaged, the pairs before kept.
constexpr std::size_t maxPairs = 4096;

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
// The size of that form.
std::size_t serialisedSize(const MixProperties& properties);

// Makes `properties` a set that parse() reads whole (at most maxPairs pairs
// in at most maxContentBytes): drops pairs whose key `keep` does not hold,
// the last first, until it fits. False when even the kept ones do not fit.
bool fitForReading(MixProperties& properties, const std::function<bool(const std::string&)>& keep);

} // namespace mixfile
