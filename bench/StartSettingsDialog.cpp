// bench_settings_start: the settings dialog, built as the program builds it
// (resources, profile key, dialog with its 96-DPI layout), on a simulated unit.
#include "StartProbe.h"

#include <CSettingsDlg.h>
#include <SettingsResources.h>
#include <SimDriver.h>
#include <win32/StandIn.h>
#include <win32/WindowSystem.h>

int main()
{
    start_probe::markStandAlone();
    juce::ScopedJuceInitialiser_GUI juce;
    win32::ScopedDriverBackend backend(std::make_shared<sim::SimDriver>(1));
    CWinApp app("TessarySettings");
    installSettingsResources();
    app.SetRegistryKey("Ostrel");
    int result = 1;
    {
        CSettingsDlg dialog;
        if (dialog.Create())
            result = start_probe::reportFirstPaint(*win32::frameOf(dialog.m_hWnd));
    }
    start_probe::pumpFor(std::chrono::milliseconds(10));
    return result;
}
