#include "StripPair.h"

namespace {
constexpr int leftAudioChannel = 1;
constexpr int rightAudioChannel = 2;
constexpr double fullLeft = 0.0;
// Above the pan range: the pan slider takes it as its far right end.
constexpr double beyondFullRight = 256.0;
} // namespace

StripPair::StripPair(int stripWidth, int channel)
    : left(channel, leftAudioChannel), right(channel, rightAudioChannel), channelIndex(channel)
{
    addAndMakeVisible(left);
    addAndMakeVisible(right);
    addAndMakeVisible(linkButton);
    linkButton.setLookAndFeel(&linkLook);
    left.setBounds(0, 0, stripWidth, FaderStrip::stripHeight);
    right.setBounds(stripWidth, 0, stripWidth, FaderStrip::stripHeight);
    linkButton.setBounds(stripWidth - 16, 240, 33, 18);

    left.addChangeListener(this);
    right.addChangeListener(this);
    linkButton.addActionListener(this);
    // Only a user's click pans the strips apart; setLink does not.
    linkButton.onClick = [this] {
        if (linkButton.getToggleState())
            panApart();
    };
}

StripPair::~StripPair()
{
    linkButton.setLookAndFeel(nullptr);
}

void StripPair::restore(double leftFader, double rightFader, double leftPan, double rightPan, bool link)
{
    stopTimer();
    // The strips tell the pair of each change synchronously, so nothing arms the follower meanwhile.
    const juce::ScopedValueSetter<bool> quiet(restoring, true);
    left.setFaderValue(leftFader);
    right.setFaderValue(rightFader);
    left.setPanValue(leftPan);
    right.setPanValue(rightPan);
    setLink(link);
}

void StripPair::changeListenerCallback(juce::ChangeBroadcaster* source)
{
    if (!getLink() || restoring)
        return;
    if (source == &left)
        leftChangedLast = true;
    else if (source == &right)
        leftChangedLast = false;
    else
        return;
    startPause(followDelayMilliseconds);
}

void StripPair::pauseEnded()
{
    // The follower only runs until the faders agree: left ticking, a later
    // Link on would copy an old move over one made while Link was off.
    if (!getLink())
        return;
    if (leftChangedLast)
        right.setFaderValue(left.getFaderValue());
    else
        left.setFaderValue(right.getFaderValue());
}

void StripPair::actionListenerCallback(const juce::String& message)
{
    if (message == linkButton.getName() && !getLink())
        stopTimer();
}

void StripPair::panApart()
{
    left.setPanValue(fullLeft);
    right.setPanValue(beyondFullRight);
}
