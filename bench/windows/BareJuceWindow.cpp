// The baseline of bench_wine_start: a bare JUCE window of the mixer's size,
// built as the mixer is (same compiler, flags, JUCE library and Wine repaints),
// that stays until it is closed.
#include <WineRepaints.h>

#include <juce_gui_basics/juce_gui_basics.h>

class BareWindowApplication : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Bare JUCE window"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise(const juce::String&) override
    {
        wine::keepJuceWindowsRepainting();
        window = std::make_unique<Window>();
    }
    void shutdown() override { window.reset(); }

private:
    struct Window : juce::DocumentWindow
    {
        Window() : juce::DocumentWindow("Bare JUCE window", juce::Colours::lightgrey, 0)
        {
            setUsingNativeTitleBar(false);
            setTitleBarHeight(0);
            content.setSize(641, 448);
            setContentNonOwned(&content, true);
            centreWithSize(641, 448);
            setVisible(true);
        }
        ~Window() override { clearContentComponent(); }
        void closeButtonPressed() override { juce::JUCEApplication::quit(); }
        juce::Component content;
    };
    std::unique_ptr<Window> window;
};

START_JUCE_APPLICATION(BareWindowApplication)
