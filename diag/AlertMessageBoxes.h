// Message boxes as JUCE alert windows, modal over the tool's window once it exists.
#pragma once

#include "MessageBoxes.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace diag {

class AlertMessageBoxes : public MessageBoxes
{
public:
    explicit AlertMessageBoxes(juce::String title);

    // Boxes shown after this are centred over `owner` (null: on the screen).
    void setOwner(juce::Component* owner);

    void warn(const std::string& text, std::function<void()> dismissed) override;
    void inform(const std::string& text, std::function<void()> dismissed) override;

private:
    void show(juce::MessageBoxIconType icon, const std::string& text, std::function<void()> dismissed);

    juce::String title;
    juce::Component::SafePointer<juce::Component> owner;
};

} // namespace diag
