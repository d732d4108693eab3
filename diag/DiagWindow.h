// The tool's top-level window: caption " Ostrel Tessary Diagnostics", fixed size,
// a close button that ends the tool without writing.
#pragma once

#include "FrmMain.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace diag {

class DiagWindow : public juce::DocumentWindow
{
public:
    static const char* const kCaption;

    // The window is built off screen; show() puts it on the desktop.
    DiagWindow(DiagTool& tool, std::function<void()> onAbout);
    void show();

    FrmMain& form() { return content; }
    void closeButtonPressed() override;

    static juce::Image icon();

private:
    DiagTool& tool;
    FrmMain content;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DiagWindow)
};

} // namespace diag
