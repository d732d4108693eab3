// Tells the window manager that a top-level window cannot be resized: its
// minimum and maximum size are its size. JUCE 7 on X11 writes these hints for
// a window that is not resizable, but every time it sets the window's bounds
// it replaces them with position and size alone, after which a window manager
// lets the user resize the window.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace FixedSizeHints {

// Writes the fixed-size hints for the window of `peer` at `bounds` (the
// window's position and size on screen). Returns false without a display.
bool apply(juce::ComponentPeer& peer, juce::Rectangle<int> bounds);

// The minimum and maximum size the window manager is told for `peer`'s
// window; empty when it is told none.
struct Limits
{
    juce::Point<int> minimum;
    juce::Point<int> maximum;
};
bool read(juce::ComponentPeer& peer, Limits& limits);

} // namespace FixedSizeHints
