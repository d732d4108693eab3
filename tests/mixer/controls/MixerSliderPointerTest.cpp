// Layout, value-to-track mapping and user input of MixerSlider.
#include "SliderTestSupport.h"

#include <gtest/gtest.h>

using namespace slidertest;

namespace {

// Records the drag hooks around user changes.
struct HookedSlider : MixerSlider
{
    HookedSlider() : MixerSlider("slider") {}
    void startedDragging() override { events.add("start@" + juce::String(getValue())); }
    void stoppedDragging() override { events.add("stop@" + juce::String(getValue())); }
    juce::StringArray events;
};

} // namespace

TEST(MixerSliderLayout, VerticalTrackRunsFromBottomInsetUpToTwentyThree)
{
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170);

    EXPECT_EQ(fader.getVerticalTrackStart(), -153);
    EXPECT_EQ(fader.getVerticalTrackLength(), 130);
    EXPECT_FALSE(fader.getValueBox().isVisible());

    fader.setValue(0.0, false);
    EXPECT_EQ(fader.getVerticalThumbY(), 153);
    fader.setValue(255.0, false);
    EXPECT_EQ(fader.getVerticalThumbY(), 23);
}

TEST(MixerSliderLayout, HorizontalTrackWithHiddenBox)
{
    MixerSlider pan("Panner");
    configurePan(pan, 65, 22);

    EXPECT_EQ(pan.getHorizontalTrackStart(), 8);
    EXPECT_EQ(pan.getHorizontalTrackLength(), 49);
    EXPECT_FALSE(pan.getValueBox().isVisible());
}

TEST(MixerSliderLayout, HorizontalTrackMakesRoomForAShownBox)
{
    MixerSlider slider("slider");
    slider.setBounds(0, 0, 200, 20); // default proportion 0.3; box width min(64, 120)

    EXPECT_TRUE(slider.getValueBox().isVisible());
    EXPECT_EQ(slider.getHorizontalTrackStart(), 64);
    EXPECT_EQ(slider.getHorizontalTrackLength(), 128);
    EXPECT_EQ(slider.getValueBox().getBounds(), juce::Rectangle<int>(0, 0, 54, 20));

    slider.setTextBoxProportion(0.5f);
    EXPECT_EQ(slider.getHorizontalTrackStart(), 100);

    // 62 x 0.75 = 46.5 rounds to the even neighbour.
    slider.setSize(62, 20);
    slider.setTextBoxProportion(0.75f);
    EXPECT_EQ(slider.getHorizontalTrackStart(), 46);
    EXPECT_EQ(slider.getHorizontalTrackLength(), 8);

    slider.setTextBoxProportion(3.0f); // clamped to the whole width
    EXPECT_EQ(slider.getHorizontalTrackStart(), 62);

    slider.setTextBoxProportion(-1.0f);
    EXPECT_FALSE(slider.getValueBox().isVisible());
    EXPECT_EQ(slider.getHorizontalTrackStart(), 8);
}

TEST(MixerSliderMapping, SkewedThumbPositions)
{
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170, 5.5);

    const std::pair<double, int> cases[] = {{128.0, 150}, {224.0, 89}, {200.0, 118}, {1.0, 152}, {254.0, 25}};
    for (auto [level, thumbY] : cases) {
        fader.setValue(level, false);
        EXPECT_EQ(fader.getVerticalThumbY(), thumbY) << "level " << level;
    }

    MixerSlider pan("slider");
    configurePan(pan, 65, 22);
    pan.setRange(0.0, 255.0, 0.0);
    pan.setSkewFactor(2.0);
    pan.setValue(255.0 * 0.25, false);
    EXPECT_FLOAT_EQ(pan.getHorizontalThumbPosition(), 8.0f + 49.0f * 0.0625f);
}

TEST(MixerSliderMapping, DegenerateRangePutsTheThumbMidTrack)
{
    MixerSlider pan("slider");
    configurePan(pan, 65, 22);
    pan.setRange(3.0, 3.0, 1.0);
    EXPECT_FLOAT_EQ(pan.getHorizontalThumbPosition(), 32.5f);

    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170);
    fader.setRange(3.0, 1.0, 1.0);
    EXPECT_EQ(fader.getVerticalThumbY(), 88);
}

TEST(MixerSliderPointer, VerticalPressAndDragFollowThePointerThroughTheSkew)
{
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170, 5.5);
    ChangeRecorder recorder;
    fader.addChangeListener(&recorder);

    fader.mouseDown(mouseAt(fader, 5, 88));
    EXPECT_EQ(fader.getValue(), 225.0); // 255 x 0.5^(1/5.5) = 224.8
    EXPECT_EQ(recorder.calls(), 0) << "pointer changes are posted";

    fader.mouseDrag(mouseAt(fader, 5, 200));
    EXPECT_EQ(fader.getValue(), 0.0);
    fader.mouseDrag(mouseAt(fader, 5, 10));
    EXPECT_EQ(fader.getValue(), 255.0);
    fader.mouseUp(mouseAt(fader, 5, 10));

    pumpMessages();
    ASSERT_EQ(recorder.calls(), 1);
    EXPECT_EQ(recorder.values[0], 255.0);
}

TEST(MixerSliderPointer, HorizontalDragInvertsTheSkew)
{
    MixerSlider pan("slider");
    configurePan(pan, 65, 22);
    pan.setRange(0.0, 255.0, 0.0);
    pan.setSkewFactor(2.0);

    pan.mouseDown(mouseAt(pan, 20, 11));
    EXPECT_DOUBLE_EQ(pan.getValue(), 255.0 * std::sqrt(12.0 / 49.0));
    pan.mouseDrag(mouseAt(pan, 8, 11));
    EXPECT_EQ(pan.getValue(), 0.0);
    pan.mouseDrag(mouseAt(pan, 57, 11));
    EXPECT_EQ(pan.getValue(), 255.0);
}

TEST(MixerSliderPointer, DegenerateRangeIgnoresThePointer)
{
    HookedSlider slider;
    configurePan(slider, 65, 22);
    slider.setRange(4.0, 4.0, 1.0);

    slider.mouseDown(mouseAt(slider, 50, 11));
    slider.mouseDrag(mouseAt(slider, 10, 11));
    slider.mouseUp(mouseAt(slider, 10, 11));

    EXPECT_EQ(slider.getValue(), 4.0);
    EXPECT_TRUE(slider.events.isEmpty());
}

TEST(MixerSliderPointer, FineModeStepsByHalfAnIntervalPlusAQuadraticTerm)
{
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170, 5.5);
    fader.setValue(100.0, false);

    fader.mouseDown(mouseAt(fader, 5, 100, leftButtonWithShift));
    EXPECT_EQ(fader.getValue(), 100.0) << "a fine-mode press does not jump";

    fader.mouseDrag(mouseAt(fader, 5, 99, leftButtonWithShift)); // 100.5
    EXPECT_EQ(fader.getValue(), 101.0);
    fader.mouseDrag(mouseAt(fader, 5, 98, leftButtonWithShift)); // 101.0: the unsnapped value carries on
    EXPECT_EQ(fader.getValue(), 101.0);
    fader.mouseDrag(mouseAt(fader, 5, 98, leftButtonWithShift)); // no movement
    EXPECT_EQ(fader.getValue(), 101.0);
    fader.mouseDrag(mouseAt(fader, 5, 88, leftButtonWithShift)); // + 0.5 + 255 x 49 / 16900 = 102.24
    EXPECT_EQ(fader.getValue(), 102.0);
    fader.mouseDrag(mouseAt(fader, 5, 98, leftButtonWithShift)); // back down by the same 1.24 -> 101.0
    EXPECT_EQ(fader.getValue(), 101.0);

    // A move longer than the track counts as the track length: + 0.5 + 255 x 16898 / 2 / 16900.
    fader.mouseDrag(mouseAt(fader, 5, -500, leftButtonWithShift));
    EXPECT_EQ(fader.getValue(), 229.0);
    fader.mouseDrag(mouseAt(fader, 5, -600, leftButtonWithShift));
    EXPECT_EQ(fader.getValue(), 255.0) << "clamped to the maximum";
}

TEST(MixerSliderPointer, FineModeNeedsARangeCoarseEnoughForTheTrack)
{
    // 10 values over 130 pixels is finer than the step, so the modifier is ignored.
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170);
    fader.setRange(0.0, 10.0, 1.0);

    fader.mouseDown(mouseAt(fader, 5, 88, leftButtonWithShift));
    EXPECT_EQ(fader.getValue(), 5.0);

    // Ctrl and Alt select fine mode too.
    MixerSlider pan("slider");
    configurePan(pan, 65, 22);
    pan.setRange(0.0, 510.0, 1.0);
    pan.setValue(255.0, false);
    for (auto modifier : {juce::ModifierKeys::ctrlModifier, juce::ModifierKeys::altModifier}) {
        const juce::ModifierKeys mods(juce::ModifierKeys::leftButtonModifier | modifier);
        pan.setValue(255.0, false);
        pan.mouseDown(mouseAt(pan, 30, 11, mods));
        pan.mouseDrag(mouseAt(pan, 35, 11, mods)); // + 0.5 + 510 x 11.5 / 2401 = 2.94
        EXPECT_EQ(pan.getValue(), 258.0);
        pan.mouseUp(mouseAt(pan, 35, 11, mods));
    }
}

TEST(MixerSliderPointer, WheelMovesByFourPercentOfTheRangeSynchronously)
{
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170);
    fader.setValue(100.0, false);
    ChangeRecorder recorder;
    fader.addChangeListener(&recorder);
    const auto noButton = mouseAt(fader, 5, 80, {});

    fader.mouseWheelMove(noButton, wheelBy(1.0f)); // 110.2
    EXPECT_EQ(fader.getValue(), 110.0);
    EXPECT_EQ(recorder.calls(), 1);

    fader.mouseWheelMove(noButton, wheelBy(-0.5f)); // 104.9
    EXPECT_EQ(fader.getValue(), 105.0);
    fader.mouseWheelMove(noButton, wheelBy(0.01f)); // at least one interval
    EXPECT_EQ(fader.getValue(), 106.0);
    EXPECT_EQ(recorder.calls(), 3);

    fader.mouseWheelMove(mouseAt(fader, 5, 80, leftButton), wheelBy(1.0f));
    fader.mouseWheelMove(noButton, wheelBy(0.0f, 1.0f));
    EXPECT_EQ(fader.getValue(), 106.0) << "ignored with a button held or a sideways scroll";

    fader.setRange(7.0, 7.0, 1.0);
    fader.mouseWheelMove(noButton, wheelBy(1.0f));
    EXPECT_EQ(fader.getValue(), 7.0);
}

TEST(MixerSliderPointer, DoubleClickReturnsToPresetOnlyWhenTheRangeIncludesZero)
{
    MixerSlider pan("slider");
    configurePan(pan, 65, 22);
    pan.setValue(3.0, false);
    ChangeRecorder recorder;
    pan.addChangeListener(&recorder);

    pan.mouseDoubleClick(mouseAt(pan, 40, 11, leftButton, 2));
    EXPECT_EQ(pan.getValue(), 127.0);
    EXPECT_EQ(recorder.calls(), 1) << "double-click notifies at once";

    pan.setRange(10.0, 20.0, 1.0);
    pan.setValue(15.0, false);
    pan.mouseDoubleClick(mouseAt(pan, 40, 11, leftButton, 2));
    EXPECT_EQ(pan.getValue(), 15.0);
}

TEST(MixerSliderPointer, DragHooksBracketEveryUserChange)
{
    HookedSlider slider;
    configurePan(slider, 65, 22);

    slider.mouseDown(mouseAt(slider, 8, 11));
    slider.mouseDrag(mouseAt(slider, 57, 11));
    slider.mouseUp(mouseAt(slider, 57, 11));
    slider.mouseWheelMove(mouseAt(slider, 57, 11, {}), wheelBy(-1.0f));
    slider.mouseDoubleClick(mouseAt(slider, 57, 11, leftButton, 2));

    EXPECT_EQ(slider.events.joinIntoString(" "), "start@0 stop@255 start@255 stop@245 start@245 stop@127");

    // Inside a press the double-click does not open a second bracket.
    slider.events.clear();
    slider.mouseDown(mouseAt(slider, 8, 11, leftButton, 2));
    slider.mouseDoubleClick(mouseAt(slider, 8, 11, leftButton, 2));
    slider.mouseUp(mouseAt(slider, 8, 11, {}, 2));
    EXPECT_EQ(slider.events.joinIntoString(" "), "start@127 stop@127");
}

TEST(MixerSliderValueBox, ReturnCommitsSynchronouslyAndShowsTheConstrainedValue)
{
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170);
    ChangeRecorder recorder;
    fader.addChangeListener(&recorder);

    auto& box = fader.getValueBox();
    box.showEditor();
    auto* editor = box.getCurrentTextEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("300 dB", false);
    editor->keyPressed(juce::KeyPress(juce::KeyPress::returnKey));
    pumpMessages(); // the editor posts its Return to itself

    EXPECT_EQ(fader.getValue(), 255.0);
    EXPECT_EQ(recorder.calls(), 1);
    EXPECT_EQ(box.getCurrentTextEditor(), nullptr);
    EXPECT_EQ(box.getText(), "255");
}

TEST(MixerSliderValueBox, LosingFocusCommitsTheTypedText)
{
    MixerSlider fader("slider");
    configureLevelFader(fader, 22, 170);
    ChangeRecorder recorder;
    fader.addChangeListener(&recorder);

    juce::TextEditor editor;
    editor.setText("abc", false);
    fader.setValue(40.0, false);
    fader.textEditorFocusLost(editor); // letters read as 0
    EXPECT_EQ(fader.getValue(), 0.0);

    editor.setText(" 77.6", false);
    fader.textEditorFocusLost(editor);
    EXPECT_EQ(fader.getValue(), 78.0);
    EXPECT_EQ(recorder.calls(), 2);
    EXPECT_EQ(fader.getValueBox().getText(), "78");
}

TEST(MixerSliderValueBox, ANewLookRebuildsTheBoxWithTheCurrentText)
{
    MixerSlider slider("slider");
    slider.setRange(0.0, 255.0, 1.0);
    slider.setBounds(0, 0, 200, 20);
    slider.setValue(33.0, false);
    auto* before = &slider.getValueBox();

    juce::LookAndFeel_V4 other;
    slider.setLookAndFeel(&other);

    EXPECT_NE(&slider.getValueBox(), before);
    EXPECT_EQ(slider.getNumChildComponents(), 1);
    EXPECT_EQ(slider.getValueBox().getText(), "33");
    EXPECT_TRUE(slider.getValueBox().isVisible());
    EXPECT_TRUE(slider.getValueBox().isEditableOnSingleClick());
    slider.setLookAndFeel(nullptr);
}

// A slider on screen whose value box editor holds the keyboard focus, as when
// the user has clicked into the box.
class FocusedValueBox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        slider.setRange(0.0, 255.0, 1.0);
        slider.setBounds(0, 0, 200, 20);
        slider.setValue(20.0, false);
        window.setBounds(0, 0, 200, 20);
        window.addAndMakeVisible(slider);
        window.addToDesktop(juce::ComponentPeer::windowHasTitleBar);
        window.setVisible(true);
        window.toFront(true);
        ASSERT_TRUE(testing_loop::pumpUntil([&] { return window.isShowing(); }));
        pumpMessages(300); // let the window system's own focus events arrive first

        slider.getValueBox().showEditor();
        editor = slider.getValueBox().getCurrentTextEditor();
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(testing_loop::pumpUntil([&] { return editor->hasKeyboardFocus(false); }));
    }

    void typeAndPress(const juce::String& text, int keyCode)
    {
        editor->setText(text, false);
        editor->keyPressed(juce::KeyPress(keyCode));
        pumpMessages();
    }

    juce::Component window;
    MixerSlider slider{"slider"};
    juce::TextEditor* editor = nullptr;
};

TEST_F(FocusedValueBox, EscapeKeepsTheValueAndRestoresItsText)
{
    typeAndPress("99", juce::KeyPress::escapeKey);

    EXPECT_EQ(slider.getValue(), 20.0);
    EXPECT_EQ(slider.getValueBox().getText(), "20");
    EXPECT_TRUE(slider.hasKeyboardFocus(false));
}

TEST_F(FocusedValueBox, ReturnTakesTheValueAndHandsTheFocusBackToTheSlider)
{
    typeAndPress("300", juce::KeyPress::returnKey);

    EXPECT_EQ(slider.getValue(), 255.0);
    EXPECT_EQ(slider.getValueBox().getText(), "255");
    EXPECT_TRUE(slider.hasKeyboardFocus(false));
}
