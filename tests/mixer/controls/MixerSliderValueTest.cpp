// Value arithmetic, text and notifications of MixerSlider.
#include "SliderTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace slidertest;

TEST(MixerSliderValue, StartsWithItsDocumentedState)
{
    MixerSlider slider("slider");

    EXPECT_EQ(slider.getName(), "slider");
    EXPECT_EQ(slider.getValue(), 0.0);
    EXPECT_EQ(slider.getMaximum(), 10.0);
    EXPECT_EQ(slider.getNumDecimalPlaces(), 7);
    EXPECT_EQ(slider.getValueBox().getName(), "number");
    EXPECT_EQ(slider.getValueBox().getText(), "0.0000000");
    EXPECT_TRUE(slider.getWantsKeyboardFocus());
}

TEST(MixerSliderValue, ConstrainsToRangeAndNearestStepRoundingHalvesUp)
{
    MixerSlider slider("slider");
    slider.setRange(0.0, 255.0, 1.0);

    const std::pair<double, double> cases[] = {
        {254.5, 255.0}, {127.5, 128.0}, {-3.0, 0.0}, {300.0, 255.0}, {100.49, 100.0}, {0.5, 1.0},
    };
    for (auto [proposed, expected] : cases) {
        slider.setValue(proposed, false);
        EXPECT_EQ(slider.getValue(), expected) << "proposed " << proposed;
    }
}

TEST(MixerSliderValue, StepsAreCountedFromTheMinimum)
{
    MixerSlider slider("slider");
    slider.setRange(1.0, 5.0, 0.5);

    slider.setValue(2.2, false);
    EXPECT_EQ(slider.getValue(), 2.0);
    slider.setValue(2.3, false);
    EXPECT_EQ(slider.getValue(), 2.5);
}

TEST(MixerSliderValue, ContinuousAndDegenerateRanges)
{
    MixerSlider continuous("slider");
    continuous.setRange(0.0, 10.0, 0.0);
    continuous.setValue(3.3, false);
    EXPECT_EQ(continuous.getValue(), 3.3);

    MixerSlider degenerate("slider");
    degenerate.setRange(5.0, 5.0, 1.0);
    degenerate.setValue(9.0, false);
    EXPECT_EQ(degenerate.getValue(), 5.0);

    MixerSlider inverted("slider");
    inverted.setRange(20.0, 10.0, 1.0);
    inverted.setValue(15.0, false);
    EXPECT_EQ(inverted.getValue(), 20.0);
}

TEST(MixerSliderValue, NotANumberIsTakenAsTheMinimum)
{
    MixerSlider slider("slider");
    slider.setRange(0.0, 255.0, 1.0);
    slider.setValue(100.0, false);

    ChangeRecorder recorder;
    slider.addChangeListener(&recorder);
    slider.setValue(std::numeric_limits<double>::quiet_NaN(), true, true);
    slider.setValue(std::numeric_limits<double>::quiet_NaN(), true, true);

    EXPECT_EQ(slider.getValue(), 0.0);
    EXPECT_EQ(recorder.calls(), 1);
    EXPECT_EQ(slider.getValueBox().getText(), "0");
}

TEST(MixerSliderValue, SetRangeReconstrainsSilentlyAndRewritesText)
{
    MixerSlider slider("slider");
    slider.setRange(0.0, 255.0, 1.0);
    slider.setValue(200.0, false);
    ChangeRecorder recorder;
    slider.addChangeListener(&recorder);

    slider.setRange(0.0, 1.0, 0.01);
    pumpMessages();

    EXPECT_EQ(slider.getValue(), 1.0);
    EXPECT_EQ(slider.getValueBox().getText(), "1.00");
    EXPECT_EQ(recorder.calls(), 0);
}

TEST(MixerSliderValue, DecimalPlacesFollowTheInterval)
{
    const std::pair<double, int> cases[] = {
        {1.0, 0}, {0.5, 1}, {0.01, 2}, {0.25, 2}, {0.001, 3}, {10.0, -1}, {100.0, -2}, {0.0, 7},
    };
    for (auto [interval, places] : cases) {
        MixerSlider slider("slider");
        slider.setRange(0.0, 1000.0, interval);
        EXPECT_EQ(slider.getNumDecimalPlaces(), places) << "interval " << interval;
    }
}

TEST(MixerSliderValue, TextOfValueWithAndWithoutDecimalPlaces)
{
    MixerSlider whole("slider");
    whole.setRange(0.0, 255.0, 1.0);
    EXPECT_EQ(whole.getTextFromValue(-60.5), "-60");
    EXPECT_EQ(whole.getTextFromValue(0.787), "0");
    EXPECT_EQ(whole.getTextFromValue(-0.5), "0");
    EXPECT_EQ(whole.getTextFromValue(254.9), "254");

    MixerSlider tens("slider");
    tens.setRange(0.0, 1000.0, 10.0);
    EXPECT_EQ(tens.getTextFromValue(120.7), "120");

    MixerSlider hundredths("slider");
    hundredths.setRange(0.0, 1.0, 0.01);
    EXPECT_EQ(hundredths.getTextFromValue(0.5), "0.50");
    hundredths.setValue(0.25, false);
    EXPECT_EQ(hundredths.getValueBox().getText(), "0.25");
}

TEST(MixerSliderValue, ValueFromTextReadsTheLeadingNumber)
{
    MixerSlider slider("slider");

    const std::pair<const char*, double> cases[] = {
        {" -12.5 dB", -12.5}, {"dB", 0.0}, {"", 0.0},    {"42", 42.0}, {"1.2.3", 1.2},     {"12-3", 12.0},
        {".5", 0.5},          {"7.", 7.0}, {"--5", 0.0}, {"-", 0.0},   {"gain 3 dB", 3.0}, {"1e3", 13.0},
    };
    for (auto [text, expected] : cases)
        EXPECT_DOUBLE_EQ(slider.getValueFromText(text), expected) << "text '" << text << "'";
}

TEST(MixerSliderNotification, SynchronousChangeReachesListenersBeforeReturning)
{
    MixerSlider slider("slider");
    slider.setRange(0.0, 255.0, 1.0);
    ChangeRecorder recorder;
    slider.addChangeListener(&recorder);

    slider.setValue(10.0, true, true);

    ASSERT_EQ(recorder.calls(), 1);
    EXPECT_EQ(recorder.sources[0], &slider);
    EXPECT_EQ(recorder.values[0], 10.0);
}

TEST(MixerSliderNotification, PostedChangesCoalesceIntoOneMessage)
{
    MixerSlider slider("slider");
    slider.setRange(0.0, 255.0, 1.0);
    ChangeRecorder recorder;
    slider.addChangeListener(&recorder);

    slider.setValue(10.0);
    slider.setValue(11.0);
    slider.setValue(12.0);
    EXPECT_EQ(recorder.calls(), 0);

    pumpMessages();
    ASSERT_EQ(recorder.calls(), 1);
    EXPECT_EQ(recorder.values[0], 12.0);
}

TEST(MixerSliderNotification, UnchangedOrSilentValuesNotifyNobody)
{
    MixerSlider slider("slider");
    slider.setRange(0.0, 255.0, 1.0);
    slider.setValue(50.0, false);
    ChangeRecorder recorder;
    slider.addChangeListener(&recorder);

    slider.setValue(50.0, true, true);
    slider.setValue(50.3, true, true); // snaps back onto the current value
    slider.setValue(50.0, true, false);
    slider.setValue(60.0, false);
    pumpMessages();

    EXPECT_EQ(recorder.calls(), 0);
    EXPECT_EQ(slider.getValue(), 60.0);
    EXPECT_EQ(slider.getValueBox().getText(), "60");
}
