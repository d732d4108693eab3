// What the framework classes take from the system they run on: one layer for
// Windows (windows/), one for our Linux window side (linux/). Each layer also
// gives CDialog::runModalLoop and AfxMain.
#pragma once

#include <afxwin.h>

#include <memory>
#include <string>

namespace afx::detail {

// The program's executable name without its folder and extension.
std::string executableBaseName();
// The window object of a dialog control: a CComboBox for a combo box, a
// CButton for a button, a CWnd otherwise.
std::unique_ptr<CWnd> makeControlObject(HWND control);

} // namespace afx::detail
