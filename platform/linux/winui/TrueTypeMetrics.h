// The vertical metrics of a TrueType font file that the Windows text renderer
// takes its text metrics from: units per em (head), the horizontal header's
// ascender, descender and line gap (hhea), and the OS/2 table's typographic
// and Windows ascent and descent and average character width.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win32::detail {

struct TrueTypeMetrics
{
    int unitsPerEm = 0;
    int hheaAscender = 0;
    int hheaDescender = 0; // negative below the baseline
    int hheaLineGap = 0;
    int typoAscender = 0;
    int typoDescender = 0; // negative below the baseline
    int winAscent = 0;
    int winDescent = 0; // positive below the baseline
    int averageCharWidth = 0;
};

// False when the file lacks one of the three tables or they lie outside it.
bool readTrueTypeMetrics(const void* data, std::size_t size, TrueTypeMetrics& metrics);

} // namespace win32::detail
