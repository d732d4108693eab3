#include "DiagApplication.h"

#ifdef _WIN32
#include <WineRepaints.h>
#endif

namespace diag {

const juce::String DiagApplication::getApplicationName()
{
    return "TessaryDiag";
}

const juce::String DiagApplication::getApplicationVersion()
{
    const auto v = version();
    return juce::String(v.major) + "." + juce::String(v.minor) + "." + juce::String(v.revision);
}

ProgramVersion DiagApplication::version()
{
    return {TESSARY_VERSION_MAJOR, TESSARY_VERSION_MINOR, TESSARY_VERSION_REVISION};
}

void DiagApplication::initialise(const juce::String&)
{
#ifdef _WIN32
    wine::keepJuceWindowsRepainting();
#endif
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);
    boxes = std::make_unique<AlertMessageBoxes>(getApplicationName());
    tool = std::make_unique<DiagTool>(*boxes, [] { juce::JUCEApplicationBase::quit(); });
    tool->startUp([this] { showWindow(); });
}

void DiagApplication::showWindow()
{
    window = std::make_unique<DiagWindow>(*tool, [this] { showAbout(); });
    boxes->setOwner(window.get());
    window->show();
}

void DiagApplication::showAbout()
{
    const auto program =
        juce::File::getSpecialLocation(juce::File::currentExecutableFile).getFileNameWithoutExtension();
    tool->showAbout(program.toStdString(), version());
}

void DiagApplication::shutdown()
{
    window.reset();
    tool.reset();
    boxes.reset();
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
}

} // namespace diag
