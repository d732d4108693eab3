// The window backdrop and the program's default look.
#include "AppLookAndFeel.h"
#include "Artwork.h"
#include "MixerBackground.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace {

// True when the `width` x `height` block of `picture` at (x, y) equals `image` at (ix, iy).
bool blockMatches(const juce::Image& picture, int x, int y, const juce::Image& image, int ix, int iy, int width,
                  int height)
{
    for (int dy = 0; dy < height; ++dy)
        for (int dx = 0; dx < width; ++dx)
            if (picture.getPixelAt(x + dx, y + dy).getARGB() != image.getPixelAt(ix + dx, iy + dy).getARGB())
                return false;
    return true;
}

TEST(MixerBackground, PaintsTheStripPanelsSideBySide)
{
    MixerBackground background;
    EXPECT_EQ(background.getStripWidth(), 72);
    background.setSize(641, 420);
    const juce::Image picture = background.createComponentSnapshot(background.getLocalBounds(), false);

    const juce::Image strip = Artwork::get("strip_panel.png");
    const juce::Image playback = Artwork::get("playback_panel.png");
    const juce::Image output = Artwork::get("output_panel.png");
    for (int x : {0, 72, 144, 216, 288, 360})
        EXPECT_TRUE(blockMatches(picture, x, 0, strip, 0, 0, 72, 285)) << "strip panel at " << x;
    EXPECT_TRUE(blockMatches(picture, 432, 0, playback, 0, 0, 72, 414));
    EXPECT_TRUE(blockMatches(picture, 504, 0, output, 0, 0, 137, 414));

    // Below the input strips nothing is painted: the window colour shows there.
    EXPECT_EQ(picture.getPixelAt(100, 300).getAlpha(), 0);
}

TEST(AppLookAndFeel, GivesWindowsTheImageCloseButton)
{
    AppLookAndFeel look;
    std::unique_ptr<juce::Button> close(look.createDocumentWindowButton(juce::DocumentWindow::closeButton));
    auto* image = dynamic_cast<juce::ImageButton*>(close.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getName(), "close");
    EXPECT_EQ(image->getWidth(), 25) << "sized to its image";
    EXPECT_EQ(image->getHeight(), 25);
    EXPECT_EQ(image->getNormalImage().getPixelData(), Artwork::get("close_normal.png").getPixelData());
    EXPECT_EQ(image->getOverImage().getPixelData(), Artwork::get("close_over.png").getPixelData());
    EXPECT_EQ(image->getDownImage().getPixelData(), Artwork::get("close_down.png").getPixelData());

    std::unique_ptr<juce::Button> minimise(look.createDocumentWindowButton(juce::DocumentWindow::minimiseButton));
    ASSERT_NE(minimise, nullptr);
    EXPECT_EQ(dynamic_cast<juce::ImageButton*>(minimise.get()), nullptr) << "only the close button is skinned";
}

} // namespace
