#include "MixerApplication.h"

MixerApplication::MixerApplication()
{
    // A start while the mixer runs only wakes the running window. This has to
    // happen before JUCE's own instance check, which would end this process
    // without telling the running one.
    handedOver = InstanceChannel::handOver(getCommandLineParameters());
}

MixerApplication::~MixerApplication()
{
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
}

void MixerApplication::initialise(const juce::String&)
{
    if (handedOver) {
        setApplicationReturnValue(0);
        quit();
        return;
    }

    lookAndFeel = std::make_unique<AppLookAndFeel>();
    juce::LookAndFeel::setDefaultLookAndFeel(lookAndFeel.get());

    mainWindow = new MixerWindow(getApplicationName());
    mainWindow->centreWithSize(windowWidth, windowHeight);
    mainWindow->setVisible(true);
    // The window was shown at its first size while it was built; draw it whole at its final one.
    mainWindow->repaint();

    instanceChannel.listen([](const juce::String& commandLine) {
        if (auto* app = dynamic_cast<MixerApplication*>(juce::JUCEApplication::getInstance()))
            app->anotherInstanceStarted(commandLine);
    });
}

void MixerApplication::shutdown()
{
    delete mainWindow.getComponent();
}

const juce::String MixerApplication::getApplicationName()
{
    return "Brelmor/Halvaren Ostrel Tessary Mixer";
}

const juce::String MixerApplication::getApplicationVersion()
{
    return "1.0";
}

bool MixerApplication::moreThanOneInstanceAllowed()
{
    return false;
}

void MixerApplication::anotherInstanceStarted(const juce::String&)
{
    if (auto* window = mainWindow.getComponent()) {
        window->setVisible(true);
        if (window->isMinimised())
            window->setMinimised(false);
        window->toFront(true);
    }
}
