// bench_tray_idle's baseline: a bare JUCE window of the settings dialog's
// size, shown and left alone until the bench ends it; with "--hidden", shown
// and then hidden, as a tray program hides its dialog, to show what JUCE
// itself does while nothing of the program is on the screen.
#include <juce_gui_basics/juce_gui_basics.h>

class IdleBareWindow : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "bench_idle_bare"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise(const juce::String& commandLine) override
    {
        window =
            std::make_unique<juce::DocumentWindow>("Bare", juce::Colours::lightgrey, juce::DocumentWindow::allButtons);
        content.setSize(392, 283);
        window->setUsingNativeTitleBar(false);
        window->setContentNonOwned(&content, true);
        window->setVisible(true);
        if (commandLine.contains("--hidden"))
            window->setVisible(false);
    }

    void shutdown() override
    {
        if (window != nullptr)
            window->clearContentComponent();
        window.reset();
    }

private:
    juce::Component content;
    std::unique_ptr<juce::DocumentWindow> window;
};

START_JUCE_APPLICATION(IdleBareWindow)
