#include "AboutBox.h"

#include <Artwork.h>

AboutBox::AboutBox() : image(Artwork::get("about.png"))
{
    setVisible(false);
}

void AboutBox::mouseDown(const juce::MouseEvent&)
{
    setVisible(false);
}

void AboutBox::paint(juce::Graphics& g)
{
    g.drawImageAt(image, 0, 0);
}
