// The routing selectors and the output section's caption, through the
// simulated unit.
#include "DeviceTestSupport.h"
#include "HeadphoneSelector.h"
#include "OutputSection.h"
#include "OutputSelector.h"
#include "PlaybackRouteSelector.h"

#include <gtest/gtest.h>

#include <functional>

using namespace devicetest;

namespace {

class SelectorsTest : public DeviceTest
{
protected:
    struct Step
    {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> frames;
    };

    void run(const std::vector<Step>& steps)
    {
        for (const auto& step : steps) {
            clear();
            step.act();
            EXPECT_EQ(framesAfter(), step.frames) << step.what;
        }
    }

    // A click on a choice: through JUCE's click path, as the pointer would.
    static void click(SelectorColumn& selector, int index) { selector.getChoiceButton(index).triggerClick(); }
};

TEST_F(SelectorsTest, OutputSelectorMovesTheMixAndPublishesItsCaption)
{
    OutputSelector selector;
    // Bypass at start takes the mix off output 0, which names no output: the
    // frame still goes out.
    EXPECT_EQ(framesAfter(), std::vector<std::string>{"SEL 0 plug 0"}) << "Bypass at start, nothing had the mix";
    EXPECT_EQ(selector.getCaption(), "Mix Off");
    EXPECT_EQ(selector.getChoiceButton(0).getButtonText(), "Main");
    EXPECT_EQ(selector.getChoiceButton(0).getName(), "1/2");
    EXPECT_EQ(selector.getChoiceButton(4).getBounds(), juce::Rectangle<int>(62, 0, 62, 30));

    juce::StringArray captions;
    struct CaptionRecorder : juce::ChangeListener
    {
        std::function<void()> onChange;
        void changeListenerCallback(juce::ChangeBroadcaster*) override { onChange(); }
    } recorder;
    recorder.onChange = [&] { captions.add(selector.getCaption()); };
    selector.addChangeListener(&recorder);

    // Leaving Bypass takes the mix off output 0 first, as any move between choices does.
    run({{"Main", [&] { click(selector, 0); }, {"SEL 0 plug 0", "SEL 1 plug 1"}},
         {"3/4 after Main", [&] { click(selector, 1); }, {"SEL 1 plug 0", "SEL 2 plug 1"}},
         {"3/4 again", [&] { click(selector, 1); }, {}},
         {"Spdif", [&] { click(selector, 3); }, {"SEL 2 plug 0", "SEL 5 plug 1"}},
         {"Bypass", [&] { click(selector, 4); }, {"SEL 5 plug 0"}},
         {"Bypass again", [&] { click(selector, 4); }, {}},
         {"restored 2", [&] { selector.setChoice(2); }, {"SEL 0 plug 0", "SEL 3 plug 1"}},
         {"restored 4", [&] { selector.setChoice(4); }, {"SEL 3 plug 0"}},
         {"restored 9", [&] { selector.setChoice(9); }, {}}});
    EXPECT_EQ(captions.joinIntoString(","), "Out 1/2,Out 3/4,Spdif,Mix Off,Out 5/6,Mix Off");
    EXPECT_EQ(selector.getChoice(), 5);
    selector.setChoice(1);
    EXPECT_EQ(selector.getChoice(), 1);
    selector.removeChangeListener(&recorder);
}

TEST_F(SelectorsTest, HeadphoneSelectorSendsTheSourceSwitchedOn)
{
    HeadphoneSelector selector;
    EXPECT_EQ(framesAfter(), std::vector<std::string>{"SEL 4 plug 0"});
    EXPECT_EQ(selector.getChoiceButton(4).getBounds(), juce::Rectangle<int>(0, 172, 47, 37));
    EXPECT_EQ(selector.getChoiceButton(3).getBounds(), juce::Rectangle<int>(0, 105, 47, 37));

    run({{"Mix", [&] { click(selector, 4); }, {"SEL 4 plug 4"}},
         {"Mix again", [&] { click(selector, 4); }, {}},
         {"restored 2", [&] { selector.setChoice(2); }, {"SEL 4 plug 2"}},
         {"restored 5", [&] { selector.setChoice(5); }, {"SEL 4 plug 4"}},
         {"restored 4 while Mix is on", [&] { selector.setChoice(4); }, {}},
         {"restored -1", [&] { selector.setChoice(-1); }, {}}});
    EXPECT_EQ(selector.getChoice(), 5) << "Mix is saved as 5";
    selector.setChoice(3);
    EXPECT_EQ(selector.getChoice(), 3);
}

TEST_F(SelectorsTest, PlaybackRouteSelectorSendsTheRouteSwitchedOn)
{
    PlaybackRouteSelector selector;
    EXPECT_EQ(framesAfter(), std::vector<std::string>{"SEL 6 plug 0"});
    run({{"Spdif", [&] { click(selector, 3); }, {"SEL 6 plug 3"}},
         {"3/4", [&] { click(selector, 1); }, {"SEL 6 plug 1"}},
         {"restored 0", [&] { selector.setChoice(0); }, {"SEL 6 plug 0"}},
         {"restored 4", [&] { selector.setChoice(4); }, {}}});
    EXPECT_EQ(selector.getChoice(), 0);
}

TEST_F(SelectorsTest, OutputLabelFollowsTheCaption)
{
    OutputSection section;
    auto& label = section.getOutLabel();
    EXPECT_EQ(label.getText(), "MainOut");
    framesAfter();
    EXPECT_EQ(label.getText(), "Mix Off");
    EXPECT_EQ(label.getBounds(), juce::Rectangle<int>(2, 264, 60, 15));
    EXPECT_EQ(section.getOutputSelector().getBounds(), juce::Rectangle<int>(0, 298, 150, 150));
    EXPECT_EQ(section.getOutputSelector().getName(), "outswitch");

    struct TextRecorder : juce::Label::Listener
    {
        int changes = 0;
        void labelTextChanged(juce::Label*) override { ++changes; }
    } recorder;
    label.addListener(&recorder);

    section.setOutputChoice(2);
    EXPECT_EQ(label.getText(), "Mix Off") << "not before the posted message";
    framesAfter();
    EXPECT_EQ(label.getText(), "Out 5/6");
    EXPECT_EQ(recorder.changes, 1);

    section.getOutputSelector().sendChangeMessage();
    framesAfter();
    EXPECT_EQ(recorder.changes, 1) << "the same caption again changes nothing";
    EXPECT_EQ(section.getOutputChoice(), 2);
    label.removeListener(&recorder);
}

} // namespace
