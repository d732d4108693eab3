// Stand-in for <commctrl.h>: the common controls need no setting up here.
#pragma once

#include <windef.h>

inline void InitCommonControls() {}
