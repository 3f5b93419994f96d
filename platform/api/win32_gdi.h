// GDI services of the Win32 subset: logical palettes, the system palette,
// display device contexts and device-independent bitmap output.
#pragma once

#include "platform/api/win32_types.h"

// ---- Objects ----------------------------------------------------------------
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define DEFAULT_PALETTE 15
HGDIOBJ GetStockObject(int i);
// Stock objects are never deleted; DeleteObject on one succeeds and does nothing.
// An object selected into a device context is not deleted (FALSE).
BOOL DeleteObject(HGDIOBJ ho);

// A solid brush of one colour (FillRect is USER's, in win32_user.h).
HBRUSH CreateSolidBrush(COLORREF colour);

// ---- Logical palettes -------------------------------------------------------
// Version 0x300, 1 to 1024 entries. Entry ranges are cut to the palette; a
// null buffer asks GetPaletteEntries for the number of entries. The stock
// palette cannot be changed or resized.
HPALETTE CreatePalette(const LOGPALETTE* plpal);
UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries);
UINT SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries);
BOOL ResizePalette(HPALETTE hpal, UINT n);

// ---- Device contexts --------------------------------------------------------
// A NULL window gives a context for the whole screen; a window's context
// needs the window layer (see platform/gdi/gdi_objects.h).
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);

#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define RC_PALETTE 0x0100
#define RC_STRETCHDIB 0x2000
#define RC_DI_BITMAP 0x0080
// A 256-colour display reports NUMCOLORS 256 (not the 20 static colours some
// Windows versions report) and SIZEPALETTE 256; true-colour displays report
// NUMCOLORS -1 and SIZEPALETTE 0.
int GetDeviceCaps(HDC hdc, int index);

#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
// The smallest rectangle, in the context's coordinates, that holds everything
// the context can draw on; returns SIMPLEREGION, COMPLEXREGION when that is
// more than one rectangle, NULLREGION when it can draw nothing, or ERROR for
// an invalid context.
int GetClipBox(HDC hdc, LPRECT lprect);
// Narrows what the context may draw on to the rectangle (the context's
// coordinates, right and bottom exclusive); returns what GetClipBox would.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd);
// Maps the selected palette into the system palette; returns how many system
// palette entries changed (GDI_ERROR on failure).
UINT RealizePalette(HDC hdc);
UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries);

#define SYSPAL_ERROR 0
#define SYSPAL_STATIC 1
#define SYSPAL_NOSTATIC 2
#define SYSPAL_NOSTATIC256 3
UINT SetSystemPaletteUse(HDC hdc, UINT use);
UINT GetSystemPaletteUse(HDC hdc);

#define GDI_ERROR 0xFFFFFFFFL

// ---- Device-independent bitmap output ---------------------------------------
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);

#define SRCCOPY 0x00CC0020UL

// Copies a rectangle of an uncompressed 1, 4, 8 or 24-bit DIB to the device,
// stretched to the destination rectangle. The source y origin counts from the
// bottom row of a bottom-up DIB and from the top row of a top-down one
// (negative height). Returns the number of destination rows written, 0 on
// failure or when nothing was drawn; mirroring (negative sizes) and raster
// operations other than SRCCOPY are refused.
int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth,
                  int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop);

// ---- Fonts and text ---------------------------------------------------------
// Fonts are TrueType faces found through fontconfig and drawn with SDL2_ttf.
// Face names of the classic Windows fonts map to metric-compatible faces
// ("Times New Roman" to a serif, "MS Sans Serif" and "Arial" to a sans serif,
// "Courier New" to a monospaced face); another name is looked up as it is,
// then by the family bits of the pitch and family value. Widths, escapement,
// orientation, character set and the precision and quality values are kept
// in the LOGFONT but do not change the glyphs.
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

#define LF_FACESIZE 32
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
using LPLOGFONTA = LOGFONTA*;
#define LOGFONT LOGFONTA

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OEM_CHARSET 255

#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0

#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50

// A height below 0 is the character (em) height in pixels, above 0 the cell
// height (ascent + descent), 0 the default; a height beyond 16384 pixels
// either way fails.
HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName);
HFONT CreateFontIndirectA(const LOGFONTA* lplf);
#define CreateFont CreateFontA
#define CreateFontIndirect CreateFontIndirectA
// Fonts: copies the LOGFONTA (a null buffer asks for its size); returns the
// bytes copied, 0 for another kind of object.
int GetObjectA(HGDIOBJ h, int c, LPVOID pv);
#define GetObject GetObjectA

// Selects a font into a device context and returns the previous one (a new
// context has the stock SYSTEM_FONT); other objects are refused (NULL).
// Palettes go through SelectPalette.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);

struct TEXTMETRICA {
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
};
using LPTEXTMETRICA = TEXTMETRICA*;
#define TEXTMETRIC TEXTMETRICA
#define TMPF_FIXED_PITCH 0x01
#define TMPF_TRUETYPE 0x04

// Texts are in the Windows-1252 code page.
BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, SIZE* psizl);
// The family name of the face the selected font is drawn with.
int GetTextFaceA(HDC hdc, int c, LPSTR lpName);
// Draws with the top of the character cell at y, clipped to the context.
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c);
#define GetTextMetrics GetTextMetricsA
#define GetTextExtentPoint32 GetTextExtentPoint32A
#define GetTextFace GetTextFaceA
#define TextOut TextOutA

#define CLR_INVALID 0xFFFFFFFF
#define TRANSPARENT 1
#define OPAQUE 2
COLORREF SetTextColor(HDC hdc, COLORREF colour);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF colour);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
