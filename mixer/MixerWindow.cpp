#include "MixerWindow.h"

#include "FixedSizeHints.h"

#include <Artwork.h>

namespace {
// Shorter than JUCE's three seconds, so that no case slips through.
constexpr juce::uint32 idleBeforeBoundsAreSetAgainMs = 2000;
} // namespace

MixerWindow::MixerWindow(const juce::String& title, const juce::File& programFile)
    : juce::DialogWindow(title, backgroundColour(), false), minimiseNormal(Artwork::get("minimise_normal.png")),
      minimiseOver(Artwork::get("minimise_over.png")), minimiseDown(Artwork::get("minimise_down.png"))
{
    background = new MixerBackground();
    setVisible(true);
    background->setBufferedToImage(true);
    setContentOwned(background, false);

    panel = std::make_unique<MixerPanel>(background->getStripWidth(), programFile);
    Component::addAndMakeVisible(*panel);
    panel->setBounds(0, 30, 641, 450);

    Component::addAndMakeVisible(minButton);
    minButton.setImages(true, false, true, minimiseNormal, 1.0f, juce::Colours::transparentBlack, minimiseOver, 1.0f,
                        juce::Colours::transparentBlack, minimiseDown, 1.0f, juce::Colours::transparentBlack, 0.0f);
    minButton.setTopLeftPosition(584, titleButtonTop);
    minButton.onClick = [this] { actionListenerCallback(minButton.getName()); };
}

MixerWindow::~MixerWindow()
{
    minimiseNormal = {};
    minimiseOver = {};
    minimiseDown = {};
    if (auto* app = juce::JUCEApplicationBase::getInstance())
        app->quit();
    // The panel goes next, with the members; it saves the mixer state as it goes.
}

void MixerWindow::actionListenerCallback(const juce::String& message)
{
    if (message == minButton.getName())
        setMinimised(!isMinimised());
}

void MixerWindow::closeButtonPressed()
{
    delete this;
}

void MixerWindow::resized()
{
    juce::DialogWindow::resized();
    placeCloseButton();
    holdFixedSize();
}

void MixerWindow::moved()
{
    juce::DialogWindow::moved();
    holdFixedSize();
}

void MixerWindow::paint(juce::Graphics& g)
{
    juce::DialogWindow::paint(g);
    // JUCE sets the window's bounds again, and with them the size hints, when
    // it paints for the first time and when it paints after three idle seconds
    // (it lets its back buffer go after those): just before this paint.
    const auto now = juce::Time::getApproximateMillisecondCounter();
    if (lastPaintMs == 0 || now - lastPaintMs >= idleBeforeBoundsAreSetAgainMs)
        holdFixedSize();
    lastPaintMs = juce::jmax(now, juce::uint32(1));
}

void MixerWindow::placeCloseButton()
{
    // JUCE's title bar fits the close button to its own height and width, which
    // crops the image and lifts it above the minimise button: give it back its
    // image size, level with minimise, 4 pixels from the window's right edge.
    auto* close = dynamic_cast<juce::ImageButton*>(getCloseButton());
    if (close == nullptr)
        return;
    const auto image = close->getNormalImage();
    const int rightMargin = 4;
    close->setBounds(getWidth() - rightMargin - image.getWidth(), titleButtonTop, image.getWidth(), image.getHeight());
}

void MixerWindow::holdFixedSize()
{
    auto* peer = getPeer();
    if (peer == nullptr || isMinimised())
        return;
    if (getWidth() != fixedWidth || getHeight() != fixedHeight) {
        // A window manager resized it regardless: take the size back.
        setSize(fixedWidth, fixedHeight);
        return;
    }
    // Setting the bounds has just replaced the window manager's size limits.
    FixedSizeHints::apply(*peer, peer->getBounds());
}
