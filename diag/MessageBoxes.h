// The tool's message boxes: modal, an OK button, the tool's title. Behind an
// interface so the tool's behaviour can be followed without a screen.
#pragma once

#include <functional>
#include <string>

namespace diag {

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // A box with the exclamation icon; `dismissed` runs once the user has closed it.
    virtual void warn(const std::string& text, std::function<void()> dismissed) = 0;
    // A plain box without an icon.
    virtual void inform(const std::string& text, std::function<void()> dismissed) = 0;
};

} // namespace diag
