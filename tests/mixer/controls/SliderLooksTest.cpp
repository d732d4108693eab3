// What the slider looks, the pan control and the image toggle looks paint,
// checked on component snapshots.
#include "Artwork.h"
#include "FaderLookAndFeel.h"
#include "OutputFaderLookAndFeel.h"
#include "PannerControl.h"
#include "PannerLookAndFeel.h"
#include "SelectorLookAndFeel.h"
#include "SliderTestSupport.h"

#include <gtest/gtest.h>

using namespace slidertest;

namespace {

juce::Image snapshotOf(juce::Component& component)
{
    return component.createComponentSnapshot(component.getLocalBounds(), true, 1.0f);
}

// Opaque pixels of `picture` placed at (left, top) that the snapshot does not
// reproduce exactly; pixels falling outside the snapshot are skipped.
int mismatchesOfPictureAt(const juce::Image& snapshot, const juce::Image& picture, int left, int top)
{
    int mismatches = 0;

    for (int y = 0; y < picture.getHeight(); ++y)
        for (int x = 0; x < picture.getWidth(); ++x) {
            const auto expected = picture.getPixelAt(x, y);
            const int sx = left + x, sy = top + y;

            if (expected.getAlpha() != 255 || sx < 0 || sy < 0 || sx >= snapshot.getWidth() ||
                sy >= snapshot.getHeight())
                continue;

            if (snapshot.getPixelAt(sx, sy).getARGB() != expected.getARGB())
                ++mismatches;
        }

    return mismatches;
}

int opaquePixelCount(const juce::Image& picture)
{
    int count = 0;
    for (int y = 0; y < picture.getHeight(); ++y)
        for (int x = 0; x < picture.getWidth(); ++x)
            count += picture.getPixelAt(x, y).getAlpha() == 255 ? 1 : 0;
    return count;
}

// Rows of the snapshot outside [top, top + height) that hold anything visible.
int visibleRowsOutside(const juce::Image& snapshot, int top, int height)
{
    int rows = 0;
    for (int y = 0; y < snapshot.getHeight(); ++y) {
        if (y >= top && y < top + height)
            continue;
        for (int x = 0; x < snapshot.getWidth(); ++x)
            if (snapshot.getPixelAt(x, y).getAlpha() != 0) {
                ++rows;
                break;
            }
    }
    return rows;
}

bool isLightGreen(juce::Colour c)
{
    return c.getAlpha() == 255 && std::abs(c.getRed() - 0x90) <= 2 && std::abs(c.getGreen() - 0xee) <= 2 &&
           std::abs(c.getBlue() - 0x90) <= 2;
}

struct FaderCase
{
    double level;
    double skew;
    int capTop;
};

void expectCapPositions(CapFaderLookAndFeel& look, std::initializer_list<FaderCase> cases)
{
    const auto& cap = look.getCapImage();
    ASSERT_TRUE(cap.isValid());
    ASSERT_GT(opaquePixelCount(cap), 0);

    MixerSlider fader("slider");
    fader.setLookAndFeel(&look);
    configureLevelFader(fader, 22, 170);

    for (const auto& c : cases) {
        fader.setSkewFactor(c.skew);
        fader.setValue(c.level, false);
        const auto shot = snapshotOf(fader);

        EXPECT_EQ(mismatchesOfPictureAt(shot, cap, 0, c.capTop), 0) << "level " << c.level;
        EXPECT_EQ(visibleRowsOutside(shot, c.capTop, cap.getHeight()), 0) << "level " << c.level;
    }

    fader.setLookAndFeel(nullptr);
}

} // namespace

TEST(FaderLooks, CapHangsNineteenPixelsAboveTheThumb)
{
    FaderLookAndFeel look;
    EXPECT_EQ(look.getCapImage().getWidth(), 24);
    EXPECT_EQ(look.getCapImage().getHeight(), 40);
    // Top edge from y = 4 at the maximum to height - 36 at the minimum; 128 with skew 5.5 puts the thumb at 150.
    expectCapPositions(look, {{255.0, 1.0, 4}, {0.0, 1.0, 134}, {128.0, 5.5, 131}});

    OutputFaderLookAndFeel outputLook;
    EXPECT_EQ(outputLook.getCapImage().getWidth(), 19);
    EXPECT_EQ(outputLook.getCapImage().getHeight(), 35);
    expectCapPositions(outputLook, {{255.0, 1.0, 4}, {0.0, 1.0, 134}});
}

TEST(FaderLooks, SliderColours)
{
    FaderLookAndFeel fader;
    OutputFaderLookAndFeel output;
    PannerLookAndFeel panner;
    MixerSlider slider("slider");

    for (MixerLookAndFeel* look : {static_cast<MixerLookAndFeel*>(&fader), static_cast<MixerLookAndFeel*>(&output)}) {
        const auto colours = look->getSliderColours(slider);
        EXPECT_EQ(colours.background.getARGB(), 0x00000000u);
        EXPECT_EQ(colours.thumb.getARGB(), 0xffffffffu);
        EXPECT_EQ(colours.outline.getARGB(), 0xff000000u);
        EXPECT_EQ(colours.highlight.getARGB(), 0xff90ee90u);
        EXPECT_EQ(colours.text.getARGB(), 0xffffffffu);
    }

    const auto colours = panner.getSliderColours(slider);
    EXPECT_EQ(colours.background.getARGB(), 0x00000000u);
    EXPECT_EQ(colours.thumb.getARGB(), 0xff90ee90u);
    EXPECT_EQ(colours.outline.getARGB(), 0xff000000u);
    EXPECT_EQ(colours.highlight.getARGB(), 0xff90ee90u);
    EXPECT_EQ(colours.text.getARGB(), 0xffffffffu);
}

TEST(PannerLook, TrackAndThumbGeometry)
{
    EXPECT_EQ(PannerLookAndFeel::trackArea(8, 0, 49, 22), juce::Rectangle<int>(8, 13, 49, 4));
    EXPECT_EQ(PannerLookAndFeel::trackArea(0, 2, 10, 28), juce::Rectangle<int>(0, 19, 10, 6)); // 16.8 and 5.6 round up
    EXPECT_EQ(PannerLookAndFeel::thumbArea(0, 22, 8.0f), juce::Rectangle<float>(5.0f, 2.0f, 5.0f, 15.0f));
}

TEST(PannerLook, DrawsAGreenThumbOnAHalfGreyTrack)
{
    PannerLookAndFeel look;
    MixerSlider pan("Panner");
    pan.setLookAndFeel(&look);
    configurePan(pan, 65, 22);

    pan.setValue(0.0, false);
    auto shot = snapshotOf(pan);
    const auto track = shot.getPixelAt(40, 14);
    EXPECT_NEAR(track.getAlpha(), 128, 2);
    EXPECT_NEAR(track.getRed(), 0x80, 2);
    EXPECT_EQ(shot.getPixelAt(40, 12).getAlpha(), 0);
    EXPECT_EQ(shot.getPixelAt(40, 17).getAlpha(), 0);
    EXPECT_TRUE(isLightGreen(shot.getPixelAt(7, 9)));
    EXPECT_EQ(shot.getPixelAt(7, 19).getAlpha(), 0);

    pan.setValue(255.0, false);
    shot = snapshotOf(pan);
    EXPECT_TRUE(isLightGreen(shot.getPixelAt(56, 9)));
    EXPECT_EQ(shot.getPixelAt(7, 9).getAlpha(), 0);

    pan.setValue(127.0, false); // thumb at 8 + 49 x 127 / 255 = 32.4
    shot = snapshotOf(pan);
    EXPECT_TRUE(isLightGreen(shot.getPixelAt(31, 9)));
    EXPECT_FALSE(isLightGreen(shot.getPixelAt(27, 9)));
    EXPECT_FALSE(isLightGreen(shot.getPixelAt(36, 9)));

    pan.setLookAndFeel(nullptr);
}

TEST(PannerControlTest, LaysTheSliderOverTheBackground)
{
    PannerControl control;

    EXPECT_EQ(control.getPreferredWidth(), 60);
    EXPECT_EQ(control.getPreferredHeight(), 22);

    auto& slider = control.getSlider();
    EXPECT_EQ(slider.getName(), "Panner");
    EXPECT_EQ(slider.getParentComponent(), &control);
    EXPECT_EQ(slider.getBounds(), juce::Rectangle<int>(-3, 0, 65, 22));
    EXPECT_EQ(slider.getMinimum(), 0.0);
    EXPECT_EQ(slider.getMaximum(), 255.0);
    EXPECT_EQ(slider.getInterval(), 1.0);
    EXPECT_EQ(slider.getDoubleClickReturnValue(), 127.0);
    EXPECT_EQ(slider.getSkewFactor(), 1.0);
    EXPECT_FALSE(slider.isVertical());
    EXPECT_FALSE(slider.getValueBox().isVisible());
    EXPECT_EQ(slider.getHorizontalTrackStart(), 8);
    EXPECT_EQ(slider.getHorizontalTrackLength(), 49);
    EXPECT_NE(dynamic_cast<PannerLookAndFeel*>(&slider.getLookAndFeel()), nullptr);

    // Rows clear of the thumb and its outline show the background untouched.
    control.setSize(60, 22);
    slider.setValue(127.0, false);
    const auto background = Artwork::get("panner_background.png");
    const auto shot = snapshotOf(control);
    int mismatches = 0;
    for (int y : {0, 19, 20, 21})
        for (int x = 0; x < 60; ++x)
            if (background.getPixelAt(x, y).getAlpha() == 255 && shot.getPixelAt(x, y) != background.getPixelAt(x, y))
                ++mismatches;
    EXPECT_EQ(mismatches, 0);
}

TEST(PannerControlTest, PressPutsTheThumbUnderThePointer)
{
    PannerControl control;
    auto& slider = control.getSlider();
    const auto pressAtControlX = [&](int x) {
        slider.mouseDown(mouseAt(slider, static_cast<float>(x + 3), 11));
        slider.mouseUp(mouseAt(slider, static_cast<float>(x + 3), 11, {}));
        return slider.getValue();
    };

    EXPECT_EQ(pressAtControlX(5), 0.0);
    EXPECT_EQ(pressAtControlX(54), 255.0);
    EXPECT_EQ(pressAtControlX(1), 0.0);
    EXPECT_EQ(pressAtControlX(30), 130.0); // 255 x 25 / 49 = 130.1
    EXPECT_EQ(pressAtControlX(59), 255.0);
}

TEST(PannerControlTest, DoubleClickCentresAndTheOwnerHearsAtOnce)
{
    PannerControl control;
    auto& slider = control.getSlider();
    ChangeRecorder owner;
    slider.addChangeListener(&owner);

    slider.setValue(3.0, false);
    slider.mouseDoubleClick(mouseAt(slider, 20, 11, leftButton, 2));
    ASSERT_EQ(owner.calls(), 1);
    EXPECT_EQ(owner.values[0], 127.0);

    // The playback strip widens the range and moves the centre.
    slider.setRange(0.0, 510.0, 1.0);
    slider.setDoubleClickReturnValue(255.0);
    slider.mouseDoubleClick(mouseAt(slider, 20, 11, leftButton, 2));
    ASSERT_EQ(owner.calls(), 2);
    EXPECT_EQ(owner.values[1], 255.0);
    EXPECT_EQ(slider.getHorizontalTrackLength(), 49);
}

namespace {

struct ToggleCase
{
    bool on;
    bool down;
    int expected; // 0 on, 1 off, 2 pressed
};

void expectToggleImages(juce::LookAndFeel& look, const char* onFile, const char* offFile, const char* pressedFile)
{
    const juce::Image images[] = {Artwork::get(onFile), Artwork::get(offFile), Artwork::get(pressedFile)};
    for (const auto& image : images)
        ASSERT_TRUE(image.isValid());

    juce::ToggleButton button;
    button.setLookAndFeel(&look);
    button.setSize(images[0].getWidth(), images[0].getHeight());

    const ToggleCase cases[] = {{false, false, 1}, {true, false, 0}, {true, true, 2}, {false, true, 2}};
    for (const auto& c : cases) {
        button.setToggleState(c.on, juce::dontSendNotification);
        button.setState(c.down ? juce::Button::buttonDown : juce::Button::buttonNormal);
        const auto shot = snapshotOf(button);

        for (int i = 0; i < 3; ++i) {
            const int mismatches = mismatchesOfPictureAt(shot, images[i], 0, 0);
            if (i == c.expected) {
                EXPECT_EQ(mismatches, 0) << onFile << " on " << c.on << " down " << c.down;
            } else if (mismatchesOfPictureAt(images[c.expected], images[i], 0, 0) > 0) {
                EXPECT_GT(mismatches, 0) << onFile << " shows image " << i << " instead of " << c.expected;
            }
        }
    }

    button.setLookAndFeel(nullptr);
}

} // namespace

TEST(ImageToggleLooks, HeldDownShowsPressedWhateverTheToggleState)
{
    SelectorLookAndFeel selector;
    expectToggleImages(selector, "selector_on.png", "selector_off.png", "selector_pressed.png");

    OutputFaderLookAndFeel output;
    expectToggleImages(output, "toggle_wide_on.png", "toggle_wide_off.png", "toggle_wide_pressed.png");

    // The pan look lights its keys with a picture of its own; off and pressed are shared.
    PannerLookAndFeel panner;
    expectToggleImages(panner, "panner_toggle_on.png", "toggle_wide_off.png", "toggle_wide_pressed.png");
    EXPECT_GT(mismatchesOfPictureAt(Artwork::get("panner_toggle_on.png"), Artwork::get("toggle_wide_on.png"), 0, 0), 0);
}

TEST(ImageToggleLooks, CaptionIsPrintedOverTheImage)
{
    PannerLookAndFeel look;
    juce::ToggleButton button("1/2");
    button.setLookAndFeel(&look);
    button.setSize(62, 30);

    const auto off = Artwork::get("toggle_wide_off.png");
    const auto shot = snapshotOf(button);
    // Lettering lands somewhere in the middle band, never in the 4-pixel margins.
    int changedInside = 0, changedInMargins = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 62; ++x)
            if (shot.getPixelAt(x, y) != off.getPixelAt(x, y))
                (y >= 4 && y < 26 ? changedInside : changedInMargins) += 1;

    EXPECT_GT(changedInside, 0);
    EXPECT_EQ(changedInMargins, 0);
    button.setLookAndFeel(nullptr);
}
