#include "ImageSwitch.h"

#include "Artwork.h"

ImageSwitch::ImageSwitch(const juce::String& name, const char* sizeImageFile,
                         std::unique_ptr<ImageToggleLookAndFeel> switchLook)
    : button(name), sizeImage(Artwork::get(sizeImageFile)), look(std::move(switchLook))
{
    addAndMakeVisible(button);
    button.setLookAndFeel(look.get());
    button.setBounds(0, 0, getImageWidth(), getImageHeight());
    button.setTriggeredOnMouseDown(true);
}

ImageSwitch::~ImageSwitch()
{
    button.setLookAndFeel(nullptr);
}

int ImageSwitch::getImageWidth()
{
    cachedWidth = sizeImage.getWidth();
    return cachedWidth;
}

int ImageSwitch::getImageHeight()
{
    cachedHeight = sizeImage.getHeight();
    return cachedHeight;
}

bool ImageSwitch::isOn()
{
    cachedState = button.getToggleState();
    return cachedState;
}
