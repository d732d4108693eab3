// The settings program: the application's profile under Software\Ostrel, one
// running instance per user (a second start restores it, one with the exit
// switch ends it), and the settings dialog run modally for the life of the
// process.
#pragma once

#include <afxwin.h>

#include <string>

class CSettingsApp : public CWinApp
{
public:
    CSettingsApp();

    // The program's start: the single-instance check, the exit switch and the
    // dialog run modally. Always FALSE, so the process ends when it returns.
    // A start that cannot keep to one instance, or cannot reach the running
    // one, says why on stderr and sets exitStatus to 1.
    BOOL InitInstance() override;
    // The process's exit status: exitStatus.
    int ExitInstance() override;

    int exitStatus = 0;

private:
    void failStart(const std::string& why);
};
