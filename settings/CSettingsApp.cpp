#include "CSettingsApp.h"

#include "CSettingsDlg.h"
#include "SettingsResources.h"

#include <win32/StandIn.h>

CSettingsApp::CSettingsApp() : CWinApp("TessarySettings") {}

void CSettingsApp::initialise(const juce::String& commandLine)
{
    m_lpCmdLine = commandLine.toStdString();
    win32::setProgramName("TessarySettings");
    InitInstance();
    quit();
}

BOOL CSettingsApp::InitInstance()
{
    installSettingsResources();
    SetRegistryKey("Ostrel");
    CSettingsDlg dialog;
    m_pMainWnd = &dialog;
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
