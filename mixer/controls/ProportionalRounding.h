// Proportional sizes of the mixer controls round to the nearest integer with
// halves going to the even neighbour (13.5 -> 14, 12.5 -> 12).
#pragma once

#include <cmath>

inline int roundHalfToEven(double value)
{
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;

    if (fraction > 0.5)
        return static_cast<int>(floorValue) + 1;
    if (fraction < 0.5)
        return static_cast<int>(floorValue);

    const auto lower = static_cast<int>(floorValue);
    return (lower % 2 == 0) ? lower : lower + 1;
}
