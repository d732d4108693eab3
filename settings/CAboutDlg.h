// The About box (template 100): the product's face and an OK button, laid out
// as at 96 DPI like the settings dialog.
#pragma once

#include <afxwin.h>

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    BOOL OnInitDialog() override;
};
