// The mixer window built in this process on a simulated unit: its frame, the
// device it opens through the panel, the About box and the minimise button.
#include "FixedSizeHints.h"
#include "MessageLoop.h"
#include "MixerTestFolder.h"
#include "MixerWindow.h"

#include <AppLookAndFeel.h>
#include <Artwork.h>
#include <MixerBackground.h>
#include <device/MixerCommands.h>

#include <SimDriver.h>
#include <win32/StandIn.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;

class MixerWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel(&look);
        window = new MixerWindow("Brelmor/Halvaren Ostrel Tessary Mixer", folder.program());
        window->centreWithSize(641, 448);
        window->setVisible(true);
    }

    void TearDown() override
    {
        delete window.getComponent();
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    }

    // A press and release of the left button at `position` in window coordinates.
    void click(juce::Point<int> position)
    {
        auto* peer = window->getPeer();
        ASSERT_NE(peer, nullptr);
        const auto at = position.toFloat();
        const auto time = juce::Time::currentTimeMillis();
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at, {}, 0.0f, 0.0f, time);
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at,
                               juce::ModifierKeys::leftButtonModifier, 1.0f, 0.0f, time + 1);
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at, {}, 0.0f, 0.0f, time + 2);
        testing_loop::pumpFor(20ms);
    }

    MixerTestFolder folder;
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend backend{driver};
    AppLookAndFeel look;
    juce::Component::SafePointer<MixerWindow> window;
};

TEST_F(MixerWindowTest, IsBuiltWithTheSkinAndItsPanel)
{
    EXPECT_EQ(window->getName(), "Brelmor/Halvaren Ostrel Tessary Mixer");
    EXPECT_EQ(window->getWidth(), 641);
    EXPECT_EQ(window->getHeight(), 448);
    EXPECT_EQ(window->getBackgroundColour(), juce::Colour(0, 90, 245));
    static_cast<juce::Component&>(*window).keyPressed(juce::KeyPress(juce::KeyPress::escapeKey));
    testing_loop::pumpFor(10ms);
    ASSERT_NE(window.getComponent(), nullptr) << "Escape does not close the mixer";
    EXPECT_TRUE(window->isShowing());

    auto* background = dynamic_cast<MixerBackground*>(window->getContentComponent());
    ASSERT_NE(background, nullptr);
    EXPECT_NE(background->getCachedComponentImage(), nullptr) << "the backdrop is buffered";

    EXPECT_EQ(window->getPanel().getBounds(), juce::Rectangle<int>(0, 30, 641, 450));
    EXPECT_EQ(window->getPanel().getStripWidth(), 72);

    auto& minimise = window->getMinimiseButton();
    EXPECT_EQ(minimise.getName(), "minButton");
    EXPECT_EQ(minimise.getBounds(), juce::Rectangle<int>(584, 3, 25, 25));
    EXPECT_EQ(minimise.getNormalImage().getPixelData(), Artwork::get("minimise_normal.png").getPixelData());

    auto* close = dynamic_cast<juce::ImageButton*>(window->getCloseButton());
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->getName(), "close");
}

// Pixels of `image` that are fully opaque and do not show at (x, y) of `picture`.
int opaquePixelsMissing(const juce::Image& picture, int x, int y, const juce::Image& image)
{
    int missing = 0;
    for (int dy = 0; dy < image.getHeight(); ++dy)
        for (int dx = 0; dx < image.getWidth(); ++dx) {
            const auto drawn = image.getPixelAt(dx, dy);
            if (drawn.getAlpha() == 255 && picture.getPixelAt(x + dx, y + dy) != drawn)
                ++missing;
        }
    return missing;
}

TEST_F(MixerWindowTest, TitleBarButtonsShowTheirWholeImagesSideBySide)
{
    testing_loop::pumpFor(50ms);
    const auto picture = window->createComponentSnapshot(window->getLocalBounds());
    const auto closeImage = Artwork::get("close_normal.png");
    const auto minimiseImage = Artwork::get("minimise_normal.png");
    EXPECT_EQ(opaquePixelsMissing(picture, 584, 3, minimiseImage), 0);
    EXPECT_EQ(opaquePixelsMissing(picture, 612, 3, closeImage), 0) << "level with minimise, not cropped";
    EXPECT_GT(opaquePixelsMissing(picture, 612, 1, closeImage), 0) << "the check tells positions apart";
    EXPECT_EQ(window->getCloseButton()->getBounds(), juce::Rectangle<int>(612, 3, 25, 25));
}

TEST_F(MixerWindowTest, TellsTheWindowManagerItsSizeIsFixed)
{
    auto hintedSize = [this] {
        FixedSizeHints::Limits limits;
        if (window->getPeer() == nullptr || !FixedSizeHints::read(*window->getPeer(), limits))
            return std::string("none");
        return limits.minimum.toString().toStdString() + " to " + limits.maximum.toString().toStdString();
    };
    testing_loop::pumpFor(50ms);
    EXPECT_EQ(hintedSize(), "641, 448 to 641, 448") << "once shown and painted";

    window->setTopLeftPosition(20, 30);
    testing_loop::pumpFor(50ms);
    EXPECT_EQ(hintedSize(), "641, 448 to 641, 448") << "after a move";

    window->setSize(700, 500);
    testing_loop::pumpFor(50ms);
    EXPECT_EQ(window->getWidth(), 641) << "the size is taken back";
    EXPECT_EQ(window->getHeight(), 448);
    EXPECT_EQ(hintedSize(), "641, 448 to 641, 448");
}

TEST_F(MixerWindowTest, CloseButtonDeletesTheWindow)
{
    auto* close = window->getCloseButton();
    ASSERT_NE(close, nullptr);
    click(window->getLocalArea(close, close->getLocalBounds()).getCentre());
    EXPECT_EQ(window.getComponent(), nullptr);
    EXPECT_EQ(theMixerCommands, nullptr) << "the panel went with it";
}

TEST_F(MixerWindowTest, OpensTheDeviceThroughItsPanelAndLetsGoWithIt)
{
    ASSERT_NE(theMixerCommands, nullptr);
    int balanceFrames = 0;
    for (const auto& entry : driver->log())
        if (entry.frame.size() == 12 && entry.frame[2] == 0xB8 && entry.frame[8] == 0x03 && entry.frame[10] == 0xFF &&
            entry.frame[11] == 0x00)
            ++balanceFrames;
    EXPECT_EQ(balanceFrames, 6) << "balance 128 to the six input channels";

    delete window.getComponent();
    EXPECT_EQ(theMixerCommands, nullptr);
}

TEST_F(MixerWindowTest, AboutBoxShowsCentredAndHidesWhenClicked)
{
    auto& panel = window->getPanel();
    auto& about = panel.getAboutBox();
    EXPECT_FALSE(about.isVisible());

    panel.showAboutBox();
    ASSERT_TRUE(about.isVisible());
    EXPECT_EQ(about.getParentComponent(), &panel);
    EXPECT_EQ(about.getWidth(), 321);
    EXPECT_EQ(about.getHeight(), 224);
    EXPECT_NEAR(about.getBounds().getCentreX(), 641 * 0.5, 1.0);
    EXPECT_NEAR(about.getBounds().getCentreY(), 450 * 0.385, 1.0);

    const auto picture = about.createComponentSnapshot(about.getLocalBounds());
    EXPECT_EQ(picture.getPixelAt(160, 100), about.getImage().getPixelAt(160, 100));

    click(panel.getPosition() + about.getBounds().getCentre());
    EXPECT_FALSE(about.isVisible()) << "a click hides the box";
    EXPECT_EQ(about.getParentComponent(), &panel) << "and it stays with the panel";

    panel.actionListenerCallback("AboutButton");
    EXPECT_TRUE(about.isVisible());

    click(panel.getPosition() + about.getBounds().getCentre());
    auto& aboutButton = panel.getAboutButton();
    click(window->getLocalArea(&aboutButton, aboutButton.getLocalBounds()).getCentre());
    EXPECT_TRUE(about.isVisible()) << "a click on the logo shows it again";
}

} // namespace
