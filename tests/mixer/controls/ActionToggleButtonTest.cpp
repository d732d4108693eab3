// Toggle buttons report each change of their toggle state as their name.
#include "ActionToggleButton.h"
#include "MessageLoop.h"

#include <gtest/gtest.h>

namespace {

struct MessageRecorder : juce::ActionListener
{
    void actionListenerCallback(const juce::String& message) override { messages.add(message); }
    juce::StringArray messages;
};

TEST(ActionToggleButton, BroadcastsItsNameOnEveryChangeOfItsToggleState)
{
    juce::Component column;
    ActionToggleButton first("1/2"), second("3/4");
    for (auto* button : {&first, &second}) {
        column.addAndMakeVisible(button);
        button->setRadioGroupId(7);
    }
    MessageRecorder recorder;
    first.addActionListener(&recorder);
    second.addActionListener(&recorder);

    struct Step
    {
        const char* what;
        std::function<void()> act;
        juce::StringArray expected;
    };
    // The buttons a radio group switches off report first, the one switched on last.
    const Step steps[] = {
        {"by program", [&] { first.setOn(true); }, {"1/2"}},
        {"unchanged", [&] { first.setOn(true); }, {}},
        {"pointer over and pressed", [&] { first.setState(juce::Button::buttonDown); }, {}},
        {"radio group switches the other off",
         [&] { second.setToggleState(true, juce::sendNotification); },
         {"1/2", "3/4"}},
        {"a click", [&] { first.triggerClick(); }, {"3/4", "1/2"}},
        {"a click on the one that is on", [&] { first.triggerClick(); }, {}},
        {"renamed, then changed",
         [&] {
             second.setName("Main");
             second.setOn(true);
         },
         {"1/2", "Main"}},
    };
    for (const auto& step : steps) {
        recorder.messages.clear();
        step.act();
        testing_loop::dispatchPending();
        EXPECT_EQ(recorder.messages.joinIntoString(","), step.expected.joinIntoString(",")) << step.what;
    }
}

} // namespace
