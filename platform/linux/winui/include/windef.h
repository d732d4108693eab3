// Stand-in for <windef.h>: the window-side base types the settings program's
// dialog, resources and text metrics use, on top of <windows.h>.
#pragma once

#include <windows.h>

typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef short SHORT;
typedef unsigned short USHORT;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef int INT;

typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HRSRC__* HRSRC;
typedef void* HGLOBAL;
typedef struct HMENU__* HMENU;
typedef struct HICON__* HICON;
typedef struct HBITMAP__* HBITMAP;
typedef struct HDC__* HDC;
typedef struct HFONT__* HFONT;
typedef void* HGDIOBJ;

typedef struct tagRECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct tagPOINT
{
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE
{
    LONG cx;
    LONG cy;
} SIZE, *LPSIZE;

#define LOBYTE(w) (static_cast<BYTE>(static_cast<DWORD_PTR>(w) & 0xFF))
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xFFFF))
#define MAKELONG(low, high)                                                                                            \
    (static_cast<LONG>(static_cast<WORD>(static_cast<DWORD_PTR>(low) & 0xFFFF) |                                       \
                       (static_cast<DWORD>(static_cast<WORD>(static_cast<DWORD_PTR>(high) & 0xFFFF)) << 16)))
#define MAKEWPARAM(low, high) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(low, high))))
#define MAKELPARAM(low, high) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(low, high))))

// Resource names: an ordinal below 0x10000 in place of a string pointer.
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
