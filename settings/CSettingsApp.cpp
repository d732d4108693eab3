#include "CSettingsApp.h"

#include "CSettingsDlg.h"
#include "SettingsResources.h"

#include <commctrl.h>
#include <win32/StandIn.h>

// The profile's application name is the executable's base name, as the
// framework takes it: TessarySettings as installed.
CSettingsApp::CSettingsApp() : CWinApp(nullptr) {}

void CSettingsApp::initialise(const juce::String& commandLine)
{
    m_lpCmdLine = commandLine.toStdString();
    win32::setProgramName("TessarySettings");
    InitInstance();
    quit();
}

BOOL CSettingsApp::InitInstance()
{
    InitCommonControls();
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    installSettingsResources();
    SetRegistryKey("Ostrel");

    CSettingsDlg dialog;
    m_pMainWnd = &dialog;
    CInstanceChecker& checker = dialog.instanceChecker();
    checker.acquireStartLock();
    // "/e", "-e" and the like: a lower-case e as the second character, and nothing else looked at.
    const bool exitSwitch = m_lpCmdLine.size() >= 2 && m_lpCmdLine[1] == 'e';

    // Every early return lets go of the dialog as the main window before it goes.
    if (checker.isAnotherInstanceRunning()) {
        if (exitSwitch)
            checker.closeOtherInstance(0);
        else
            checker.activateOtherInstance();
        m_pMainWnd = nullptr;
        return FALSE;
    }
    if (exitSwitch) {
        m_pMainWnd = nullptr;
        return FALSE;
    }
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

void CSettingsApp::shutdown() {}

const juce::String CSettingsApp::getApplicationName()
{
    return "TessarySettings";
}

const juce::String CSettingsApp::getApplicationVersion()
{
    return "1.0";
}

bool CSettingsApp::moreThanOneInstanceAllowed()
{
    return true;
}
