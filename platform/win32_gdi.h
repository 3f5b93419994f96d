// GDI services of the Win32 subset: logical palettes, the system palette,
// display device contexts and device-independent bitmap output.
#pragma once

#include "platform/win32_types.h"

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
HBRUSH CreateSolidBrush(COLORREF color);

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
// needs the window layer (see platform/gdi_objects.h).
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
// the context can draw on; returns SIMPLEREGION, NULLREGION when it can draw
// nothing, or ERROR for an invalid context.
int GetClipBox(HDC hdc, LPRECT lprect);

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
