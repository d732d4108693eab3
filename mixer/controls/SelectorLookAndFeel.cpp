#include "SelectorLookAndFeel.h"

SelectorLookAndFeel::SelectorLookAndFeel()
    : ImageToggleLookAndFeel("selector_on.png", "selector_off.png", "selector_pressed.png", ToggleCaption::fitted)
{
}
