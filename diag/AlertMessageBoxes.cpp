#include "AlertMessageBoxes.h"

#ifdef _WIN32
#include <windows.h>
#endif

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
#ifdef _WIN32
    // The system's own message box, owned by the tool's window; shown from the
    // message loop, as JUCE's boxes are, so the caller goes on first.
    juce::MessageManager::callAsync(
        [icon, owner = owner, title = title, text = juce::String::fromUTF8(text.c_str()), dismissed] {
            auto* peer = owner != nullptr ? owner->getPeer() : nullptr;
            const auto window = peer != nullptr ? static_cast<HWND>(peer->getNativeHandle()) : nullptr;
            const UINT style = MB_OK | (icon == juce::MessageBoxIconType::WarningIcon ? MB_ICONEXCLAMATION : 0);
            MessageBoxW(window, text.toWideCharPointer(), title.toWideCharPointer(), style);
            if (dismissed)
                dismissed();
        });
#else
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
#endif
}

} // namespace diag
