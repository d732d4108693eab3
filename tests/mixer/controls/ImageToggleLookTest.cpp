// The image looks: which picture each kind of toggle shows in each state, the
// caption layout, and the sharing of decoded artwork between looks.
#include "Artwork.h"
#include "BypassLookAndFeel.h"
#include "ImageToggleDrawing.h"
#include "LinkLookAndFeel.h"
#include "MasterMuteLookAndFeel.h"
#include "MasterSoloLookAndFeel.h"
#include "MuteLookAndFeel.h"
#include "SoloLookAndFeel.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace {

// Paints `button` as it looks in the given state into a fresh ARGB image.
juce::Image paintToggle(juce::LookAndFeel& look, juce::ToggleButton& button, bool on, bool held)
{
    button.setToggleState(on, juce::dontSendNotification);
    juce::Image canvas(juce::Image::ARGB, button.getWidth(), button.getHeight(), true);
    juce::Graphics g(canvas);
    look.drawToggleButton(g, button, false, held);
    return canvas;
}

// Number of pixels whose colour differs by more than a rounding step.
int differingPixels(const juce::Image& a, const juce::Image& b)
{
    int count = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x) {
            const auto p = a.getPixelAt(x, y);
            const auto q = b.getPixelAt(x, y);
            if (std::abs(p.getRed() - q.getRed()) > 2 || std::abs(p.getGreen() - q.getGreen()) > 2 ||
                std::abs(p.getBlue() - q.getBlue()) > 2 || std::abs(p.getAlpha() - q.getAlpha()) > 2)
                ++count;
        }
    return count;
}

bool looksLike(const juce::Image& painted, const juce::Image& expected)
{
    return painted.getWidth() >= expected.getWidth() && differingPixels(painted, expected) == 0;
}

struct LookCase
{
    const char* name;
    std::function<std::unique_ptr<ImageToggleLookAndFeel>()> make;
    const char* on;
    const char* off;
    const char* pressed; // null: held down shows on or off
};

class ImageLooks : public ::testing::TestWithParam<LookCase>
{
};

TEST_P(ImageLooks, ShowTheImageOfEachState)
{
    const LookCase& c = GetParam();
    auto look = c.make();
    const juce::Image on = Artwork::get(c.on);
    const juce::Image off = Artwork::get(c.off);
    ASSERT_TRUE(on.isValid());
    ASSERT_TRUE(off.isValid());
    ASSERT_GT(differingPixels(on, off), 0) << "on and off pictures must be told apart";

    juce::ToggleButton button;
    button.setSize(on.getWidth(), on.getHeight());

    EXPECT_TRUE(looksLike(paintToggle(*look, button, true, false), on));
    EXPECT_TRUE(looksLike(paintToggle(*look, button, false, false), off));

    if (c.pressed != nullptr) {
        const juce::Image pressed = Artwork::get(c.pressed);
        ASSERT_TRUE(pressed.isValid());
        EXPECT_TRUE(looksLike(paintToggle(*look, button, true, true), pressed)) << "held while on";
        EXPECT_TRUE(looksLike(paintToggle(*look, button, false, true), pressed)) << "held while off";
    } else {
        EXPECT_TRUE(looksLike(paintToggle(*look, button, true, true), on)) << "held while on";
        EXPECT_TRUE(looksLike(paintToggle(*look, button, false, true), off)) << "held while off";
    }
}

template <typename Look> std::function<std::unique_ptr<ImageToggleLookAndFeel>()> maker()
{
    return [] { return std::make_unique<Look>(); };
}

INSTANTIATE_TEST_SUITE_P(
    AllLooks, ImageLooks,
    ::testing::Values(
        LookCase{"Link", maker<LinkLookAndFeel>(), "link_on.png", "link_off.png", "link_pressed.png"},
        LookCase{"Mute", maker<MuteLookAndFeel>(), "mute_on.png", "mute_off.png", "mute_pressed.png"},
        LookCase{"Solo", maker<SoloLookAndFeel>(), "solo_on.png", "solo_off.png", "solo_pressed.png"},
        LookCase{"MasterMute", maker<MasterMuteLookAndFeel>(), "master_mute_on.png", "master_mute_off.png", nullptr},
        LookCase{"MasterSolo", maker<MasterSoloLookAndFeel>(), "master_solo_on.png", "master_solo_off.png", nullptr}),
    [](const ::testing::TestParamInfo<LookCase>& info) { return std::string(info.param.name); });

TEST(BypassLook, PrintsTheCaptionOverTheStateImage)
{
    BypassLookAndFeel look;
    juce::ToggleButton button("Bypass");
    button.setSize(62, 30);

    const juce::Image pressed = Artwork::get("toggle_wide_pressed.png");
    const juce::Image withCaption = paintToggle(look, button, false, true);
    // The caption darkens some pixels of the pressed picture, nothing outside the caption area.
    EXPECT_GT(differingPixels(withCaption, pressed), 20);
    for (int x = 0; x < 62; ++x)
        for (int y : {0, 1, 2, 3, 26, 27, 28, 29})
            EXPECT_EQ(withCaption.getPixelAt(x, y), pressed.getPixelAt(x, y)) << x << "," << y;

    button.setButtonText({});
    EXPECT_TRUE(looksLike(paintToggle(look, button, false, true), pressed));
    EXPECT_TRUE(looksLike(paintToggle(look, button, true, false), Artwork::get("bypass_on.png")));
    EXPECT_TRUE(looksLike(paintToggle(look, button, false, false), Artwork::get("toggle_wide_off.png")));
}

// Rows of the caption area that carry ink when `text` is drawn with the captioned drawing.
std::vector<int> inkedRows(const juce::String& text, int width, int height)
{
    juce::ToggleButton button(text);
    button.setSize(width, height);
    juce::Image blank(juce::Image::ARGB, width, height, true);
    juce::Image canvas(juce::Image::ARGB, width, height, true);
    juce::Graphics g(canvas);
    g.setColour(juce::Colours::black);
    drawImageToggle(g, button, blank, blank, blank, false, ToggleCaption::fitted);
    std::vector<int> rows;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (canvas.getPixelAt(x, y).getAlpha() > 0) {
                rows.push_back(y);
                break;
            }
    return rows;
}

TEST(CaptionedDrawing, WrapsALongCaptionInsideTheMargins)
{
    const auto oneLine = inkedRows("Out", 62, 60);
    const auto wrapped = inkedRows("Output pair one two three four", 62, 60);
    ASSERT_FALSE(oneLine.empty());
    ASSERT_FALSE(wrapped.empty());
    EXPECT_GT(wrapped.back() - wrapped.front(), 2 * (oneLine.back() - oneLine.front()))
        << "the long caption spreads over several lines";
    EXPECT_GE(wrapped.front(), 4);
    EXPECT_LT(wrapped.back(), 60 - 4);
}

TEST(CaptionedDrawing, UsesTheContextColour)
{
    juce::ToggleButton button("Main");
    button.setSize(62, 30);
    juce::Image blank(juce::Image::ARGB, 62, 30, true);
    juce::Image canvas(juce::Image::ARGB, 62, 30, true);
    {
        juce::Graphics g(canvas);
        g.setColour(juce::Colour(0xff00ff00));
        drawImageToggle(g, button, blank, blank, blank, false, ToggleCaption::fitted);
    }
    bool sawGreen = false;
    for (int y = 0; y < 30 && !sawGreen; ++y)
        for (int x = 0; x < 62 && !sawGreen; ++x) {
            const auto p = canvas.getPixelAt(x, y);
            sawGreen = p.getAlpha() == 255 && p.getGreen() == 255 && p.getRed() == 0;
        }
    EXPECT_TRUE(sawGreen);
}

TEST(Artwork, SharesOneDecodedCopyWhileAnyoneHoldsIt)
{
    auto first = std::make_unique<MuteLookAndFeel>();
    const juce::Image held = first->getOnImage();
    auto* data = held.getPixelData();

    auto second = std::make_unique<MuteLookAndFeel>();
    EXPECT_EQ(second->getOnImage().getPixelData(), data);

    // Dropping one look, even with the cache trimmed, leaves the other's image intact.
    first.reset();
    juce::ImageCache::releaseUnusedImages();
    EXPECT_EQ(second->getOnImage().getPixelData(), data);
    EXPECT_TRUE(looksLike(second->getOnImage(), held));
    auto third = std::make_unique<MuteLookAndFeel>();
    EXPECT_EQ(third->getOnImage().getPixelData(), data) << "a new look finds the cached copy";
}

TEST(Artwork, KnowsEveryImageOfTheSkinAtItsSize)
{
    struct Expected
    {
        const char* name;
        int width, height;
        bool alpha;
    };
    const Expected all[] = {
        {"fader_cap.png", 24, 40, true},
        {"output_fader_cap.png", 19, 35, true},
        {"toggle_wide_on.png", 62, 30, true},
        {"toggle_wide_off.png", 62, 30, true},
        {"toggle_wide_pressed.png", 62, 30, true},
        {"bypass_on.png", 62, 30, true},
        {"selector_on.png", 47, 37, true},
        {"selector_off.png", 47, 37, true},
        {"selector_pressed.png", 47, 37, true},
        {"panner_background.png", 60, 22, true},
        {"link_on.png", 34, 19, true},
        {"link_off.png", 34, 19, true},
        {"link_pressed.png", 34, 19, true},
        {"mute_on.png", 38, 30, true},
        {"mute_off.png", 38, 30, true},
        {"mute_pressed.png", 38, 30, true},
        {"solo_on.png", 38, 30, true},
        {"solo_off.png", 38, 30, true},
        {"solo_pressed.png", 38, 30, true},
        {"master_mute_on.png", 38, 30, true},
        {"master_mute_off.png", 38, 30, true},
        {"master_solo_on.png", 38, 30, true},
        {"master_solo_off.png", 38, 30, true},
        {"close_normal.png", 25, 25, true},
        {"close_over.png", 25, 25, true},
        {"close_down.png", 25, 25, true},
        {"minimise_normal.png", 25, 25, true},
        {"minimise_over.png", 25, 25, true},
        {"minimise_down.png", 25, 25, true},
        {"strip_panel.png", 72, 285, false},
        {"playback_panel.png", 72, 414, false},
        {"output_panel.png", 137, 414, false},
        {"about.png", 321, 224, false},
        {"about_logo.png", 432, 129, true},
        {"load_normal.png", 49, 22, true},
        {"load_down.png", 49, 22, true},
        {"save_normal.png", 49, 22, true},
        {"save_down.png", 49, 22, true},
    };
    for (const auto& e : all) {
        const juce::Image image = Artwork::get(e.name);
        ASSERT_TRUE(image.isValid()) << e.name;
        EXPECT_EQ(image.getWidth(), e.width) << e.name;
        EXPECT_EQ(image.getHeight(), e.height) << e.name;
        EXPECT_EQ(image.hasAlphaChannel(), e.alpha) << e.name;
    }
    EXPECT_FALSE(Artwork::get("no_such_image.png").isValid());
    EXPECT_FALSE(Artwork::get("strip_panel").isValid());
    EXPECT_FALSE(Artwork::get(nullptr).isValid());
}

} // namespace
