// Small helpers for driving MixerSlider by hand in tests.
#pragma once

#include "MessageLoop.h"
#include "MixerSlider.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace slidertest {

inline const juce::ModifierKeys leftButton{juce::ModifierKeys::leftButtonModifier};
inline const juce::ModifierKeys leftButtonWithShift{juce::ModifierKeys::leftButtonModifier |
                                                    juce::ModifierKeys::shiftModifier};

inline juce::MouseEvent mouseAt(juce::Component& target, float x, float y, juce::ModifierKeys mods = leftButton,
                                int clicks = 1)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), {x, y}, mods,
                            juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &target, &target, now,
                            {x, y}, now, clicks, false);
}

inline juce::MouseWheelDetails wheelBy(float deltaY, float deltaX = 0.0f)
{
    juce::MouseWheelDetails wheel;
    wheel.deltaX = deltaX;
    wheel.deltaY = deltaY;
    wheel.isReversed = false;
    wheel.isSmooth = false;
    wheel.isInertial = false;
    return wheel;
}

// Records every change notification and the value the slider had then.
struct ChangeRecorder : juce::ChangeListener
{
    void changeListenerCallback(juce::ChangeBroadcaster* source) override
    {
        sources.push_back(source);
        if (auto* slider = dynamic_cast<MixerSlider*>(source))
            values.push_back(slider->getValue());
    }

    int calls() const { return static_cast<int>(sources.size()); }

    std::vector<juce::ChangeBroadcaster*> sources;
    std::vector<double> values;
};

inline void pumpMessages(int milliseconds = 20)
{
    testing_loop::pumpFor(std::chrono::milliseconds(milliseconds));
}

// A 0..255 step-1 slider, configured in the order the mixer's owners use.
inline void configureLevelFader(MixerSlider& slider, int width, int height, double skew = 1.0)
{
    slider.setRange(0.0, 255.0, 1.0);
    slider.setTextBoxProportion(0.0f);
    slider.setVertical(true);
    slider.setDoubleClickReturnValue(255.0);
    slider.setBounds(0, 0, width, height);
    slider.setSkewFactor(skew);
}

inline void configurePan(MixerSlider& slider, int width, int height)
{
    slider.setRange(0.0, 255.0, 1.0);
    slider.setTextBoxProportion(0.0f);
    slider.setDoubleClickReturnValue(127.0);
    slider.setBounds(0, 0, width, height);
}

} // namespace slidertest
