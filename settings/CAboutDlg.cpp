#include "CAboutDlg.h"

#include "DialogDpiLayout.h"
#include "resource.h"

namespace {
constexpr double kFaceDpi = 96.0;
} // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    DialogDpiLayout layout;
    layout.apply(AfxGetResourceHandle(), m_hWnd, IDD_ABOUTBOX, kFaceDpi);
    return TRUE;
}
