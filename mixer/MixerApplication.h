// The mixer program: installs the skin's default look, builds the one mixer
// window and keeps the program to one instance.
#pragma once

#include "InstanceChannel.h"
#include "MixerWindow.h"
#include "QuitSignals.h"

#include <AppLookAndFeel.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class MixerApplication : public juce::JUCEApplication
{
public:
    MixerApplication();
    ~MixerApplication() override;

    void initialise(const juce::String& commandLine) override;
    void shutdown() override;
    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void anotherInstanceStarted(const juce::String& commandLine) override;

    static constexpr int windowWidth = MixerWindow::fixedWidth;
    static constexpr int windowHeight = MixerWindow::fixedHeight;

    MixerWindow* getMainWindow() const { return mainWindow.getComponent(); }

private:
    // Ends the program as closing the window does.
    void endAsClosed();

    std::unique_ptr<AppLookAndFeel> lookAndFeel;
    std::unique_ptr<QuitSignals> quitSignals;
    // The window deletes itself when closed, so the application only watches it.
    juce::Component::SafePointer<MixerWindow> mainWindow;
    InstanceChannel instanceChannel;
    static constexpr int handOverPatienceMs = 3000;
};
