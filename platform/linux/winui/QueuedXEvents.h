// Keeps X events that a round trip has already read off JUCE's connection from waiting.
//
// JUCE handles its X connection only when the socket turns readable. Any
// round trip made outside that handler (a timer's repaint waiting for its
// shared-memory completion, a pointer query, a property read) reads the events
// that came in meanwhile into Xlib's queue, where nothing looks again until
// more arrives on the socket: a click in that moment stays unhandled until the
// next mouse move or key.
#pragma once

namespace win32::detail {

// When events wait in Xlib's queue, sends the connection an event of its own
// so the socket turns readable and JUCE handles them all. Message thread.
void wakeForQueuedXEvents();

// Sends what JUCE has queued on its own X connection (a window's size hints,
// say) now, so that a request made on another connection comes after it.
void flushJuceXRequests();

} // namespace win32::detail
