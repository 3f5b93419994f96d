// String formatting of the Win32 subset: wsprintfA and wvsprintfA.
//
// Format fields: %[-][#][0][width][.precision]type with the types c, C, d, i,
// u, x, X, s, S, p and the size prefixes h, l and I64 (hd, ld, lu, lx, I64d ...).
// As on Windows, l means 32 bits (LONG), I64 64 bits, C, S, lc and ls take a
// wide character or string (characters outside ASCII become '?'), h forces the
// narrow forms. There is no '*' width and no floating point. A character after
// '%' that is not a field is copied as it is ("%%" gives "%"); %c of 0 writes
// nothing; a NULL string writes "(null)". At most 1023 characters are stored,
// then the terminating NUL; the result is the number of characters stored.
#pragma once

#include <cstdarg>

#include "platform/api/win32_types.h"

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...);
int wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist);
#define wsprintf wsprintfA
#define wvsprintf wvsprintfA
