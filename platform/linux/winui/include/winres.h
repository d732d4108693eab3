/* Stand-in for the resource compiler's <winres.h>: the window, dialog and
   control styles and the standard command ids, as plain numbers so that both
   the resource script and the program can include it. */
#pragma once

#define WS_OVERLAPPED 0x00000000
#define WS_POPUP 0x80000000
#define WS_CHILD 0x40000000
#define WS_MINIMIZE 0x20000000
#define WS_VISIBLE 0x10000000
#define WS_DISABLED 0x08000000
#define WS_CAPTION 0x00C00000
#define WS_BORDER 0x00800000
#define WS_DLGFRAME 0x00400000
#define WS_VSCROLL 0x00200000
#define WS_SYSMENU 0x00080000
#define WS_THICKFRAME 0x00040000
#define WS_GROUP 0x00020000
#define WS_TABSTOP 0x00010000
#define WS_MINIMIZEBOX 0x00020000
#define WS_MAXIMIZEBOX 0x00010000

#define WS_EX_DLGMODALFRAME 0x00000001
#define WS_EX_APPWINDOW 0x00040000

#define DS_SETFONT 0x0040
#define DS_MODALFRAME 0x0080
#define DS_SHELLFONT 0x0048

#define BS_PUSHBUTTON 0x0000
#define BS_DEFPUSHBUTTON 0x0001
#define BS_CHECKBOX 0x0002
#define BS_AUTOCHECKBOX 0x0003
#define BS_TYPEMASK 0x000F

#define SS_LEFT 0x0000
#define SS_ICON 0x0003
#define SS_BITMAP 0x000E
#define SS_TYPEMASK 0x001F

#define CBS_DROPDOWNLIST 0x0003
#define CBS_SORT 0x0100

#define IDOK 1
#define IDCANCEL 2
#define IDC_STATIC (-1)
