// Stand-in for the text parts of <wingdi.h>: fonts created by face and pixel
// height, selected into a display context and measured for real with JUCE's
// FreeType rendering. "MS Shell Dlg", "Tahoma" and every face the machine
// lacks map to the Tahoma-metric face of Debian's fonts-wine, as the Windows
// font mapper maps a dialog font to Tahoma.
#pragma once

#include <windef.h>

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700

#define DEFAULT_CHARSET 1
#define ANSI_CHARSET 0
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0

#define LOGPIXELSX 88
#define LOGPIXELSY 90

#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))

typedef struct tagTEXTMETRICA
{
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
} TEXTMETRICA, *LPTEXTMETRICA;

// A negative `cHeight` is the character height (the em) in pixels, a positive
// one the cell height (ascent plus descent), 0 a default of 8 points at 96 DPI.
HFONT WINAPI CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                         DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                         DWORD iQuality, DWORD iPitchAndFamily, LPCWSTR pszFaceName);
BOOL WINAPI DeleteObject(HGDIOBJ ho);
// Returns the previously selected object of the same kind, or null on failure.
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h);

// Metrics of the selected font, rounded to whole pixels as the Windows text
// renderer gives them.
BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm);
// Width and height of the text in the selected font: the sum of the
// characters' advances, each rounded to whole pixels, without kerning.
BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz);
BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz);

// LOGPIXELSX and LOGPIXELSY: the system's DPI (see win32::systemDpi).
int WINAPI GetDeviceCaps(HDC hdc, int index);
