// The driver's state as people read it (`tessary-simdriver status`) and as JSON.
#pragma once

#include "SimDriver.h"

#include <string>

namespace sim {

std::string statusText(const SimDriver& driver);
std::string statusJson(const SimDriver& driver);

// A 1/256 dB control value as text: "-6.50 dB", "-inf dB".
std::string decibels(std::uint16_t value);

} // namespace sim
