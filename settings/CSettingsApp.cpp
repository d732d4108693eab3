#include "CSettingsApp.h"

#include "CSettingsDlg.h"
#include "SettingsResources.h"

#include <commctrl.h>

CSettingsApp::CSettingsApp() : CWinApp("TessarySettings") {}

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
