// Message boxes the tests can watch and dismiss, and a message-loop pump.
#pragma once

#include "MessageBoxes.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace juce {
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
}

namespace testing_support {

class RecordingMessageBoxes : public diag::MessageBoxes
{
public:
    struct Shown
    {
        bool warning = false;
        std::string text;
    };

    void warn(const std::string& text, std::function<void()> dismissed) override
    {
        record(true, text, std::move(dismissed));
    }
    void inform(const std::string& text, std::function<void()> dismissed) override
    {
        record(false, text, std::move(dismissed));
    }

    // Closes every open box, and any box that closing one opens, in order.
    void dismissAll()
    {
        while (!open.empty()) {
            auto next = std::move(open.front());
            open.erase(open.begin());
            if (next)
                next();
        }
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> all;
        for (const auto& box : shown)
            all.push_back(box.text);
        return all;
    }

    std::vector<Shown> shown;

private:
    void record(bool warning, const std::string& text, std::function<void()> dismissed)
    {
        shown.push_back({warning, text});
        open.push_back(std::move(dismissed));
    }

    std::vector<std::function<void()>> open;
};

// Delivers posted messages until `done` holds or two seconds pass.
inline bool pumpUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        juce::dispatchNextMessageOnSystemQueue(true);
    }
    return true;
}

} // namespace testing_support
