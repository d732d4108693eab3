// JUCE's own X connection and its loaded X functions, so that these requests
// reach the server in order with JUCE's, never before one it has not flushed.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "FixedSizeHints.h"

namespace FixedSizeHints {

namespace {

::Window windowOf(juce::ComponentPeer& peer)
{
    return static_cast<::Window>(reinterpret_cast<juce::pointer_sized_uint>(peer.getNativeHandle()));
}

::Display* displayOf(juce::ComponentPeer& peer)
{
    auto* system = juce::XWindowSystem::getInstanceWithoutCreating();
    return system != nullptr && windowOf(peer) != 0 ? system->getDisplay() : nullptr;
}

// Fields of WM_NORMAL_HINTS as the property stores them (ICCCM 4.1.2.3).
enum HintField { flagsField, minWidthField = 5, minHeightField, maxWidthField, maxHeightField, hintFieldCount = 18 };

} // namespace

bool apply(juce::ComponentPeer& peer, juce::Rectangle<int> bounds)
{
    auto* display = displayOf(peer);
    if (display == nullptr)
        return false;

    auto* x11 = juce::X11Symbols::getInstance();
    juce::XWindowSystemUtilities::ScopedXLock lock;
    XSizeHints* hints = x11->xAllocSizeHints();
    if (hints == nullptr)
        return false;
    hints->flags = USPosition | USSize | PMinSize | PMaxSize;
    hints->x = bounds.getX();
    hints->y = bounds.getY();
    hints->width = hints->min_width = hints->max_width = bounds.getWidth();
    hints->height = hints->min_height = hints->max_height = bounds.getHeight();
    x11->xSetWMNormalHints(display, windowOf(peer), hints);
    x11->xFree(hints);
    x11->xFlush(display);
    return true;
}

bool read(juce::ComponentPeer& peer, Limits& limits)
{
    auto* display = displayOf(peer);
    if (display == nullptr)
        return false;

    juce::XWindowSystemUtilities::ScopedXLock lock;
    juce::XWindowSystemUtilities::GetXProperty property(display, windowOf(peer), XA_WM_NORMAL_HINTS, 0, hintFieldCount,
                                                        false, XA_WM_SIZE_HINTS);
    if (!property.success || property.actualFormat != 32 || property.numItems < maxHeightField + 1)
        return false;
    // Format 32 properties arrive as longs.
    const auto* fields = reinterpret_cast<const long*>(property.data);
    if ((fields[flagsField] & (PMinSize | PMaxSize)) != (PMinSize | PMaxSize))
        return false;
    limits.minimum = {static_cast<int>(fields[minWidthField]), static_cast<int>(fields[minHeightField])};
    limits.maximum = {static_cast<int>(fields[maxWidthField]), static_cast<int>(fields[maxHeightField])};
    return true;
}

} // namespace FixedSizeHints
