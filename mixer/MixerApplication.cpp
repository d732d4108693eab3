#include "MixerApplication.h"

#ifdef _WIN32
#include <WineRepaints.h>
#endif

#include <cstdio>

MixerApplication::MixerApplication() = default;

MixerApplication::~MixerApplication()
{
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
}

void MixerApplication::initialise([[maybe_unused]] const juce::String& commandLine)
{
    // Without a display the window cannot be built: say so before the device
    // or the state file is touched.
    if (std::string problem; !QuitSignals::displayAvailable(problem)) {
        std::fprintf(stderr, "TessaryMixer: %s\n", problem.c_str());
        setApplicationReturnValue(1);
        quit();
        return;
    }

#ifndef _WIN32
    // A start while the mixer runs only wakes the running window. A start that
    // cannot tell says so and fails, rather than vanish without a word.
    if (const auto claim = instanceChannel.claim(); !claim) {
        endStart(claim.state == InstanceChannel::Claim::State::Running
                     ? handOverToRunningMixer(commandLine)
                     : "TessaryMixer: cannot keep to one running mixer: " + claim.reason);
        return;
    }
#endif

#ifdef _WIN32
    wine::keepJuceWindowsRepainting();
#endif
    lookAndFeel = std::make_unique<AppLookAndFeel>();
    juce::LookAndFeel::setDefaultLookAndFeel(lookAndFeel.get());
    // A desktop session ends its programs with SIGTERM: keep the mixer's state then too.
    quitSignals = std::make_unique<QuitSignals>([this] { endAsClosed(); });

    mainWindow = new MixerWindow(getApplicationName());
    mainWindow->centreWithSize(windowWidth, windowHeight);
    mainWindow->setVisible(true);
    // The window was shown at its first size while it was built; draw it whole at its final one.
    mainWindow->repaint();
    // A display that goes away (a logout, a server restart) ends the mixer as closing it would.
    QuitSignals::endOnDisplayLoss([this] {
        if (auto* window = mainWindow.getComponent())
            window->getPanel().saveState();
    });

#ifndef _WIN32
    instanceChannel.listen([](const juce::String& commandLine) {
        if (auto* app = dynamic_cast<MixerApplication*>(juce::JUCEApplication::getInstance()))
            app->anotherInstanceStarted(commandLine);
    });
#endif
}

#ifndef _WIN32
std::string MixerApplication::handOverToRunningMixer(const juce::String& commandLine)
{
    using Delivery = InstanceChannel::Delivery;
    switch (InstanceChannel::handOverPatiently(instanceChannel.socketPath(), commandLine, handOverPatienceMs)) {
    case Delivery::Delivered:
        return {};
    case Delivery::NoAnswer:
        return "TessaryMixer: the running mixer does not answer";
    case Delivery::NotListening:
        return "TessaryMixer: a mixer holds " + instanceChannel.socketPath().toStdString() +
               ".lock but does not listen on its socket";
    case Delivery::Refused:
        break;
    }
    return "TessaryMixer: the running mixer cannot be reached at " + instanceChannel.socketPath().toStdString();
}
#endif

void MixerApplication::endStart(const std::string& failure)
{
    if (!failure.empty())
        std::fprintf(stderr, "%s\n", failure.c_str());
    setApplicationReturnValue(failure.empty() ? 0 : 1);
    quit();
}

void MixerApplication::shutdown()
{
    delete mainWindow.getComponent();
    quitSignals.reset();
}

void MixerApplication::endAsClosed()
{
    if (auto* window = mainWindow.getComponent())
        window->closeButtonPressed();
    else
        quit();
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
#ifdef _WIN32
    return false;
#else
    // One instance per user it is, but through instanceChannel: JUCE's own check
    // would take a machine-wide lock and end a second start without a word.
    return true;
#endif
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
