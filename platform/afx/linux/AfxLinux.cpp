// The framework's layer on our Linux window side: dialogs run in the stand-in's
// modal loop on JUCE's event loop, controls are JUCE components, and the
// program's entry is a JUCE application that runs the application object.
#include "../AfxLayer.h"

#include <win32/StandIn.h>
#include <win32/WindowSystem.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <unistd.h>

namespace afx::detail {

std::string executableBaseName()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "Application";
    std::string name(path, static_cast<std::size_t>(n));
    if (const auto slash = name.find_last_of('/'); slash != std::string::npos)
        name = name.substr(slash + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name = name.substr(0, dot);
    return name;
}

std::unique_ptr<CWnd> makeControlObject(HWND control)
{
    juce::Component* component = win32::componentOf(control);
    if (dynamic_cast<juce::ComboBox*>(component) != nullptr)
        return std::make_unique<CComboBox>(control);
    if (dynamic_cast<juce::Button*>(component) != nullptr)
        return std::make_unique<CButton>(control);
    return std::make_unique<CWnd>(control);
}

} // namespace afx::detail

INT_PTR CDialog::runModalLoop()
{
    return win32::runModalLoop(m_hWnd);
}

namespace {

// JUCE runs the program: its event loop carries the window side. The
// application object's InitInstance runs in `initialise`; a FALSE from it ends
// the program as it would end the framework's WinMain.
class ApplicationHost : public juce::JUCEApplication
{
public:
    void initialise(const juce::String& commandLine) override
    {
        CWinApp* app = AfxGetApp();
        app->m_lpCmdLine = commandLine.toStdString();
        win32::setProgramName(app->m_pszAppName);
        if (!app->InitInstance())
            quit();
    }
    void shutdown() override { setApplicationReturnValue(AfxGetApp()->ExitInstance()); }
    const juce::String getApplicationName() override { return AfxGetApp()->m_pszAppName; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    // The program keeps to one instance itself, as a framework program does.
    bool moreThanOneInstanceAllowed() override { return true; }
};

} // namespace

int AfxMain(int argc, char* argv[])
{
    if (AfxGetApp() == nullptr)
        return 1;
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return new ApplicationHost; };
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
