// The mixer program: installs the skin's default look, builds the one mixer
// window and keeps the program to one instance.
#pragma once

#include "MixerWindow.h"
#include "QuitSignals.h"

#include <AppLookAndFeel.h>
#ifndef _WIN32
#include <InstanceChannel.h>
#endif

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <string>

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
    // Ends a start that found another mixer: quietly, or with `failure` on stderr and status 1.
    void endStart(const std::string& failure);
#ifndef _WIN32
    // Hands the command line to the running mixer; what went wrong, or empty.
    std::string handOverToRunningMixer(const juce::String& commandLine);
#endif

    std::unique_ptr<AppLookAndFeel> lookAndFeel;
    std::unique_ptr<QuitSignals> quitSignals;
    // The window deletes itself when closed, so the application only watches it.
    juce::Component::SafePointer<MixerWindow> mainWindow;
#ifndef _WIN32
    // On Windows JUCE keeps the one instance itself (a named mutex and a window
    // message to the running one); X has no such broadcast, so on Linux the
    // instance channel does it, per user.
    InstanceChannel instanceChannel{InstanceChannel::socketPathFor("TESSARY_MIXER_INSTANCE_SOCKET", "mixer.sock")};
    static constexpr int handOverPatienceMs = 3000;
#endif
};
