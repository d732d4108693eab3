// The two channels of one input function block side by side, with a "Link"
// button under the seam. While Link is on, moving either fader moves the other
// to the same value 10 ms after the last move; a click that switches Link on
// also pans the left strip fully left and the right strip fully right.
#pragma once

#include "ActionToggleButton.h"
#include "FaderStrip.h"
#include "LinkLookAndFeel.h"
#include "PauseTimer.h"

#include <juce_gui_basics/juce_gui_basics.h>

class StripPair : public juce::Component, public juce::ChangeListener, public juce::ActionListener, private PauseTimer
{
public:
    StripPair(int stripWidth, int channelIndex);
    ~StripPair() override;

    double getLeftFader() const { return left.getFaderValue(); }
    double getRightFader() const { return right.getFaderValue(); }
    double getLeftPan() const { return left.getPanValue(); }
    double getRightPan() const { return right.getPanValue(); }
    bool getLink() const { return linkButton.getToggleState(); }

    void setLeftFader(double value) { left.setFaderValue(value); }
    void setRightFader(double value) { right.setFaderValue(value); }
    void setLeftPan(double value) { left.setPanValue(value); }
    void setRightPan(double value) { right.setPanValue(value); }
    // Switching Link on this way leaves the pans where they are.
    void setLink(bool on) { linkButton.setOn(on); }
    // Sets the pair as a file holds it: the faders stay as given also with Link
    // on (nothing follows, and no earlier move still due is copied over them).
    void restore(double leftFader, double rightFader, double leftPan, double rightPan, bool link);

    // Sends both strips as they stand.
    void resend()
    {
        left.resend();
        right.resend();
    }

    void changeListenerCallback(juce::ChangeBroadcaster* source) override;
    void actionListenerCallback(const juce::String& message) override;

    FaderStrip& getLeftStrip() { return left; }
    FaderStrip& getRightStrip() { return right; }
    ActionToggleButton& getLinkButton() { return linkButton; }
    bool isFollowing() const { return isTimerRunning(); }
    int getChannelIndex() const { return channelIndex; }

    static constexpr int pairHeight = 260;
    static constexpr int followDelayMilliseconds = 10;

private:
    void pauseEnded() override;
    void panApart();

    FaderStrip left;
    FaderStrip right;
    LinkLookAndFeel linkLook; // outlives the button that draws with it
    ActionToggleButton linkButton{"Link"};
    int channelIndex;
    bool leftChangedLast{false};
    bool restoring{false};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(StripPair)
};
