#include "PannerControl.h"

#include "Artwork.h"

namespace {

// The slider overhangs the image by 3 pixels on the left and 2 on the right,
// so that its 8-pixel track inset lines the thumb up with the artwork.
constexpr int sliderLeftOverhang = 3;
constexpr int sliderExtraWidth = 5;

} // namespace

PannerControl::PannerControl() : background(Artwork::get("panner_background.png"))
{
    slider.setLookAndFeel(&look);
    addAndMakeVisible(slider);
    slider.setBounds(-sliderLeftOverhang, 0, getPreferredWidth() + sliderExtraWidth, getPreferredHeight());
    slider.setTextBoxProportion(0.0f);
    slider.setRange(0.0, 255.0, 1.0);
    slider.setDoubleClickReturnValue(127.0);
}

PannerControl::~PannerControl()
{
    slider.setLookAndFeel(nullptr);
}

int PannerControl::getPreferredWidth()
{
    backgroundWidth = background.getWidth();
    return backgroundWidth;
}

int PannerControl::getPreferredHeight()
{
    backgroundHeight = background.getHeight();
    return backgroundHeight;
}

void PannerControl::paint(juce::Graphics& g)
{
    g.setOpacity(1.0f);
    g.drawImageAt(background, 0, 0);
}
