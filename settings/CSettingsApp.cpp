#include "CSettingsApp.h"

#include "CSettingsDlg.h"
#include "SettingsResources.h"

#include <commctrl.h>
#include <cstdio>
#include <string>

// The profile's application name is the executable's base name, as the
// framework takes it: TessarySettings as installed.
CSettingsApp::CSettingsApp() : CWinApp(nullptr) {}

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
    // Every early return lets go of the dialog as the main window before it goes.
    switch (checker.acquireStartLock()) {
    case CInstanceChecker::StartLock::Taken:
        break;
    case CInstanceChecker::StartLock::Busy:
        m_pMainWnd = nullptr;
        failStart("another start of the program has held the start mutex \"Tessary App\" for " +
                  std::to_string(CInstanceChecker::kStartLockWaitMs / 1000) +
                  " s without registering its window: it may be paused or hung");
        return FALSE;
    case CInstanceChecker::StartLock::Unusable:
        m_pMainWnd = nullptr;
        failStart("cannot keep to one running instance: the start mutex \"Tessary App\" cannot be made (error " +
                  std::to_string(checker.startMutexFailure()) + ")");
        return FALSE;
    }
    // "/e", "-e" and the like: a lower-case e as the second character, and nothing else looked at.
    const bool exitSwitch = m_lpCmdLine.size() >= 2 && m_lpCmdLine[1] == 'e';

    if (checker.isAnotherInstanceRunning()) {
        m_pMainWnd = nullptr;
        if (exitSwitch && !checker.closeOtherInstance(0))
            failStart("the running instance does not answer; it was not ended");
        else if (!exitSwitch && checker.activateOtherInstance() == nullptr)
            failStart("the running instance does not answer; its window was not shown");
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

void CSettingsApp::failStart(const std::string& why)
{
    std::fprintf(stderr, "TessarySettings: %s\n", why.c_str());
    exitStatus = 1;
}

int CSettingsApp::ExitInstance()
{
    return exitStatus;
}
