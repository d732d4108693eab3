// The tool's one window content: a menu bar with About, then the frame with the
// current depth and the five choices, the note, OK and Cancel. Positions are
// kept in twips as the form was designed, at 15 twips per pixel.
#pragma once

#include "DiagTool.h"
#include "MenuBarItem.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

namespace diag {

class FrmMain : public juce::Component
{
public:
    static constexpr int kMenuBarHeight = 20;
    static constexpr int kClientWidthTwips = 4080;
    static constexpr int kClientHeightTwips = 5490;

    // Shows the tool's state; `onAbout` runs for the About menu item.
    FrmMain(DiagTool& tool, std::function<void()> onAbout);

    static int pixels(int twips);

    void paint(juce::Graphics&) override;
    void resized() override;

    MenuBarItem about{"About"};
    juce::GroupComponent Frame1{"Frame1", "Reference Clock Interval Length"};
    juce::Label Label1{"Label1", "Current :"};
    juce::Label Lbl_BufferD{"Lbl_BufferD"};
    std::array<juce::ToggleButton, 5> Option1;
    juce::Label Label2{"Label2", "Note: Use this setting to solve problems caused by other drivers blocking the CPU "
                                 "kernel. Longer intervals will increase the Tessary driver stability but possibly "
                                 "also increase the latency."};
    juce::TextButton Command1{"OK"};
    juce::TextButton Command2{"Cancel"};

private:
    void placeInFrame(juce::Component& control, int left, int top, int width, int height);

    DiagTool& tool;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FrmMain)
};

} // namespace diag
