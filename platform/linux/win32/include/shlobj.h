// Stand-in for the part of <shlobj.h> the mixer uses: the user's special
// folders. CSIDL_APPDATA, the folder programs keep their per-user files in,
// is the XDG configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, else $HOME/.config when HOME is one. Without either the call fails,
// as it does on Windows for a profile that cannot be found. No other folder
// is known.
#pragma once

#include <windows.h>

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

#define CSIDL_APPDATA 0x001a

// Writes the folder's path (no trailing separator) into `pszPath`, which holds
// MAX_PATH characters. Returns FALSE, with an empty `pszPath`, when the folder
// is unknown, its path does not fit, or `fCreate` is set and it cannot be
// created (missing folders are created 0700).
BOOL WINAPI SHGetSpecialFolderPathA(HWND hwndOwner, LPSTR pszPath, int csidl, BOOL fCreate);
