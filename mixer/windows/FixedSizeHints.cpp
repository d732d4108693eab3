// On Windows the window's own size limits hold: JUCE answers WM_GETMINMAXINFO
// from the window's constrainer, and nothing replaces them when the bounds are
// set. There are no hints to write.
#include "../FixedSizeHints.h"

namespace FixedSizeHints {

bool apply(juce::ComponentPeer&, juce::Rectangle<int>)
{
    return true;
}

bool read(juce::ComponentPeer&, Limits&)
{
    return false;
}

} // namespace FixedSizeHints
