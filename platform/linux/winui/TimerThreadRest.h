// JUCE's timer thread, and the message loop's wait, at rest while the
// program shows no window.
#pragma once

namespace win32::detail {

// Says whether any window of the program is showing; the modal loop says so
// before it waits for the next message.
void setShowingAnyWindow(bool showing);

// Waits until one of the descriptors in JUCE's event loop has input, or ten
// seconds have passed: JUCE's own wait gives up every 2 s, for nothing.
void waitForInputAtRest();

} // namespace win32::detail
