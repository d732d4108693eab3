// JUCE 7 on Windows repaints a window only when its vertical-blank thread wakes
// (IDXGIOutput::WaitForVBlank), which Wine does not implement: under Wine a
// JUCE window would keep its first picture for good. Where the program runs on
// Wine, a timer at the display's pace does what the vertical blank would.
#pragma once

namespace wine {

// Starts the repaints when the program runs on Wine; on Windows itself it
// does nothing. Message thread; until the program ends.
void keepJuceWindowsRepainting();

} // namespace wine
