#include "AlertMessageBoxes.h"

namespace diag {

AlertMessageBoxes::AlertMessageBoxes(juce::String title_) : title(std::move(title_)) {}

void AlertMessageBoxes::setOwner(juce::Component* newOwner)
{
    owner = newOwner;
}

void AlertMessageBoxes::warn(const std::string& text, std::function<void()> dismissed)
{
    show(juce::MessageBoxIconType::WarningIcon, text, std::move(dismissed));
}

void AlertMessageBoxes::inform(const std::string& text, std::function<void()> dismissed)
{
    show(juce::MessageBoxIconType::NoIcon, text, std::move(dismissed));
}

void AlertMessageBoxes::show(juce::MessageBoxIconType icon, const std::string& text, std::function<void()> dismissed)
{
    const auto options = juce::MessageBoxOptions()
                             .withIconType(icon)
                             .withTitle(title)
                             .withMessage(juce::String::fromUTF8(text.c_str()))
                             .withButton("OK")
                             .withAssociatedComponent(owner.getComponent());
    juce::AlertWindow::showAsync(options, [dismissed = std::move(dismissed)](int) {
        if (dismissed)
            dismissed();
    });
}

} // namespace diag
