// A switch of a channel strip drawn only from pictures: one toggle button at
// the size of its "on" picture, toggling on the press of the mouse button.
// Every change of its state is broadcast by the button as its name.
#pragma once

#include "ActionToggleButton.h"
#include "ImageToggleLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class ImageSwitch : public juce::Component
{
public:
    ~ImageSwitch() override;

    // Size of the switch's picture; owners size and place the switch with it.
    int getImageWidth();
    int getImageHeight();

    void setOn() { button.setOn(true); }
    void setOff() { button.setOn(false); }
    bool isOn();

    // Owners listen to the switch's messages on the button itself.
    ActionToggleButton button;

protected:
    // `name` is the button's name and broadcast message; `sizeImageFile` the
    // picture whose size the switch takes.
    ImageSwitch(const juce::String& name, const char* sizeImageFile, std::unique_ptr<ImageToggleLookAndFeel> look);

private:
    juce::Image sizeImage;
    std::unique_ptr<ImageToggleLookAndFeel> look;
    int cachedWidth{0};
    int cachedHeight{0};
    bool cachedState{false};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ImageSwitch)
};
