// A command item of the window's menu bar: a word that acts when clicked.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace diag {

class MenuBarItem : public juce::Component
{
public:
    explicit MenuBarItem(const juce::String& caption);

    std::function<void()> onClick;
    int preferredWidth() const;

    void paint(juce::Graphics&) override;
    void mouseEnter(const juce::MouseEvent&) override;
    void mouseExit(const juce::MouseEvent&) override;
    void mouseDown(const juce::MouseEvent&) override;
    void mouseUp(const juce::MouseEvent&) override;

private:
    bool isHovered{false};
    bool isPressed{false};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MenuBarItem)
};

} // namespace diag
