// A left click sent to an X window from a connection of its own (apart, as
// Xlib's macros clash with the Windows and JUCE names).
#pragma once

// Returns once the server has delivered the press and the release at X, Y of `window` (an X window id).
bool sendSyntheticClick(void* window, int x, int y);
