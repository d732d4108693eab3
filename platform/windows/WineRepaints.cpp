#include "WineRepaints.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <windows.h>

namespace wine {

namespace {

bool runsOnWine()
{
    // Wine's ntdll has an export of its own that Windows' lacks.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class RepaintTimer : public juce::Timer, public juce::DeletedAtShutdown
{
public:
    RepaintTimer() { startTimerHz(60); }

    void timerCallback() override
    {
        for (int i = juce::ComponentPeer::getNumPeers(); --i >= 0;)
            if (auto* peer = juce::ComponentPeer::getPeer(i))
                peer->performAnyPendingRepaintsNow();
    }
};

} // namespace

void keepJuceWindowsRepainting()
{
    static RepaintTimer* timer = nullptr;
    if (timer == nullptr && runsOnWine())
        timer = new RepaintTimer;
}

} // namespace wine
