// The settings program: the application's profile under Software\Ostrel, one
// running instance per user (a second start restores it, one with the exit
// switch ends it), and the settings dialog run modally for the life of the
// process.
#pragma once

#include <afxwin.h>

#include <juce_gui_basics/juce_gui_basics.h>

class CSettingsApp : public juce::JUCEApplication, public CWinApp
{
public:
    CSettingsApp();

    void initialise(const juce::String& commandLine) override;
    void shutdown() override;
    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;

    // The program's start: the single-instance check, the exit switch and the
    // dialog run modally. Always FALSE, so the process ends when it returns.
    // A start that cannot keep to one instance, or cannot reach the running
    // one, says why on stderr and sets exitStatus to 1.
    BOOL InitInstance() override;

    int exitStatus = 0;

private:
    void failStart(const std::string& why);
};
