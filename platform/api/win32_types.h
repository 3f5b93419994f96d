// Basic types, handles and structures of the Win32 API subset that Vesper uses,
// declared with their Windows names, sizes and layouts so that the engine code
// reads the same on Linux as against the real Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

// Stored structures are little-endian and packed exactly as on Windows.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "Vesper's platform layer assumes a little-endian machine");

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using BOOL = int;
using SHORT = std::int16_t;
using CHAR = char;
using WCHAR = char16_t;
using SIZE_T = std::size_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using COLORREF = DWORD;

using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPLONG = LONG*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Handles are distinct pointer types, as with STRICT on Windows.
#define VESPER_DECLARE_HANDLE(name) \
    struct name##__;                \
    using name = name##__*

using HANDLE = void*;
using HGLOBAL = HANDLE;
using HGDIOBJ = HANDLE;
VESPER_DECLARE_HANDLE(HWND);
VESPER_DECLARE_HANDLE(HDC);
VESPER_DECLARE_HANDLE(HPALETTE);
VESPER_DECLARE_HANDLE(HINSTANCE);
VESPER_DECLARE_HANDLE(HCURSOR);
VESPER_DECLARE_HANDLE(HFONT);
VESPER_DECLARE_HANDLE(HMENU);
VESPER_DECLARE_HANDLE(HICON);
VESPER_DECLARE_HANDLE(HBRUSH);
VESPER_DECLARE_HANDLE(HKEY);
VESPER_DECLARE_HANDLE(HMONITOR);
using HMODULE = HINSTANCE;
using HFILE = int;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define HFILE_ERROR (static_cast<HFILE>(-1))
#define MAX_PATH 260

#define LOBYTE(w) (static_cast<BYTE>(static_cast<DWORD>(w) & 0xff))
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD>(l) >> 16) & 0xffff))
#define MAKELONG(a, b) (static_cast<LONG>(static_cast<WORD>(a) | (static_cast<DWORD>(static_cast<WORD>(b)) << 16)))

// Colour values: 0x00BBGGRR; a palette-index colour has bit 24 set.
#define RGB(r, g, b) \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define PALETTEINDEX(i) (static_cast<COLORREF>(0x01000000 | static_cast<DWORD>(static_cast<WORD>(i))))
#define GetRValue(rgb) (LOBYTE(rgb))
#define GetGValue(rgb) (LOBYTE(static_cast<WORD>(rgb) >> 8))
#define GetBValue(rgb) (LOBYTE((rgb) >> 16))

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT*;

struct SIZE {
    LONG cx;
    LONG cy;
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;

struct BITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct RGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
using LPBITMAPINFO = BITMAPINFO*;

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
using LPPALETTEENTRY = PALETTEENTRY*;

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};
using LPLOGPALETTE = LOGPALETTE*;

#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04

static_assert(sizeof(RECT) == 16 && sizeof(POINT) == 8);
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(RGBQUAD) == 4 && sizeof(RGBTRIPLE) == 3);
static_assert(sizeof(PALETTEENTRY) == 4 && sizeof(LOGPALETTE) == 8);
