// The TessaryDiag program: reads the driver's stream buffer depth, shows the
// window, and ends after OK, Cancel or closing the window.
#pragma once

#include "AlertMessageBoxes.h"
#include "DiagLookAndFeel.h"
#include "DiagTool.h"
#include "DiagWindow.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace diag {

class DiagApplication : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise(const juce::String& commandLine) override;
    void shutdown() override;

    static ProgramVersion version();

private:
    void showWindow();
    void showAbout();

    DiagLookAndFeel lookAndFeel;
    std::unique_ptr<AlertMessageBoxes> boxes;
    std::unique_ptr<DiagTool> tool;
    std::unique_ptr<DiagWindow> window;
};

} // namespace diag
