// JUCE's timer thread at rest while the program shows no window.
#pragma once

namespace win32::detail {

// Says whether any window of the program is showing; the modal loop says so
// before it waits for the next message.
void setShowingAnyWindow(bool showing);

} // namespace win32::detail
