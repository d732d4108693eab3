// The one slider of the mixer window: level faders (vertical) and pan
// controls (horizontal). It keeps a double value on a stepped range, maps it
// to the track through a power curve, follows the pointer, wheel and
// double-click, and announces every change through its ChangeBroadcaster,
// passing itself. It paints only through a MixerLookAndFeel.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class MixerSlider : public juce::Component,
                    public juce::ChangeBroadcaster,
                    public juce::TextEditor::Listener,
                    private juce::Label::Listener
{
public:
    explicit MixerSlider(const juce::String& componentName);
    ~MixerSlider() override;

    // No effect when all three equal the current ones. Otherwise the value is
    // constrained into the new range silently and the text rewritten.
    void setRange(double newMinimum, double newMaximum, double newInterval);

    // Constrains, stores, repaints and notifies: synchronously (listeners run
    // before this returns) or through one posted, coalescing change message.
    // Nothing happens when the constrained value equals the current one.
    void setValue(double newValue, bool sendUpdateMessage = true, bool sendMessageSynchronously = false);
    double getValue() const noexcept { return value; }

    double getMinimum() const noexcept { return minimum; }
    double getMaximum() const noexcept { return maximum; }
    double getInterval() const noexcept { return interval; }
    int getNumDecimalPlaces() const noexcept { return numDecimalPlaces; }

    void setDoubleClickReturnValue(double newValue) noexcept { doubleClickReturnValue = newValue; }
    double getDoubleClickReturnValue() const noexcept { return doubleClickReturnValue; }

    // Takes effect at the next paint or drag.
    void setSkewFactor(double factor) noexcept { skewFactor = factor; }
    double getSkewFactor() const noexcept { return skewFactor; }

    void setVertical(bool shouldBeVertical);
    bool isVertical() const noexcept { return vertical; }

    // Share of the width given to the value box, clamped to 0..1; 0 hides it.
    void setTextBoxProportion(float proportion);

    // Track spans as laid out by resized(); the vertical ones are in negated y.
    int getHorizontalTrackStart() const noexcept { return horizontalTrackStart; }
    int getHorizontalTrackLength() const noexcept { return horizontalTrackLength; }
    int getVerticalTrackStart() const noexcept { return verticalTrackStart; }
    int getVerticalTrackLength() const noexcept { return verticalTrackLength; }

    // Thumb position handed to the look: the x of a horizontal slider, the y
    // of a vertical one.
    float getHorizontalThumbPosition() const;
    int getVerticalThumbY() const;

    juce::Label& getValueBox() noexcept { return *valueBox; }

    virtual void startedDragging() {}
    virtual void stoppedDragging() {}
    virtual double getValueFromText(const juce::String& text);
    virtual juce::String getTextFromValue(double valueToShow);

    // Shows the current value in the value box without notifying anyone.
    void updateText();

    void mouseDown(const juce::MouseEvent&) override;
    void mouseDrag(const juce::MouseEvent&) override;
    void mouseUp(const juce::MouseEvent&) override;
    void mouseDoubleClick(const juce::MouseEvent&) override;
    void mouseWheelMove(const juce::MouseEvent&, const juce::MouseWheelDetails&) override;
    void lookAndFeelChanged() override;
    void paint(juce::Graphics&) override;
    void resized() override;

    // Edits in the value box.
    void textEditorReturnKeyPressed(juce::TextEditor&) override;
    void textEditorEscapeKeyPressed(juce::TextEditor&) override;
    void textEditorFocusLost(juce::TextEditor&) override;

private:
    void labelTextChanged(juce::Label*) override;
    void editorShown(juce::Label*, juce::TextEditor&) override;

    double constrainValue(double proposed) const;
    double proportionOfRange() const;
    int pointerPositionAlongTrack(const juce::MouseEvent&) const;
    int trackStart() const noexcept { return vertical ? verticalTrackStart : horizontalTrackStart; }
    int trackLength() const noexcept { return vertical ? verticalTrackLength : horizontalTrackLength; }
    double absoluteValueAt(int position) const;
    double fineStepFrom(int position) const;
    bool wantsFineMode(const juce::MouseEvent&) const;
    bool hasUsableRange() const noexcept { return maximum > minimum; }
    void commitValueBox(juce::TextEditor&, bool commit, bool cancel);
    void rebuildValueBox();
    void layoutHorizontal();
    void layoutVertical();

    double value{0.0};
    double minimum{0.0};
    double maximum{10.0};
    double interval{0.0};
    double doubleClickReturnValue{0.0};
    double valueWhenLastDragged{0.0};
    double skewFactor{1.0};
    int numDecimalPlaces{7};
    int lastDragPosition{0};
    int horizontalTrackStart{0}, horizontalTrackLength{0};
    int verticalTrackStart{0}, verticalTrackLength{0};
    float textBoxProportion{0.3f};
    bool editable{true};
    bool vertical{false};
    bool dragging{false};
    std::unique_ptr<juce::Label> valueBox;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MixerSlider)
};
