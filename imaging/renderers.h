// Renderers that turn pictures and colours into 8-bit stage pictures through
// the ordered-dither quantiser (imaging/quantizer.h): the background at the
// stage's size (a picture converted, stretched, centred or tiled; a gradient;
// a solid colour) and a sprite's picture with its key colour marked.
//
// Every renderer returns a new packed DIB block of 8 bits per pixel (made by
// CreatePackedDIB, colour table filled from `palette`, pixel rows from byte
// kDIB8PixelOffset), ready to become the block of a CDIB8BPP; the caller owns
// it. The palette only supplies that colour table: the pixel indexes written
// are defaultPalette positions whatever it holds (null: the stock palette).
//
// Sources are packed DIBs with a 40-byte info header, uncompressed, 1, 4, 8 or
// 24 bits per pixel, rows bottom-up; they are locked for the call and left
// unchanged. A renderer returns null, producing nothing, when the source
// cannot be locked, has another header, depth or compression, a width or
// height that is not positive, or does not hold the colour table and rows its
// header describes (blocks may come from an untrusted scene); also when the
// output size is not positive or the output cannot be made.
//
// Coordinates: x is the column from the left, y the stored row (0 is the
// bottom row, stored first). Pixel indexes beyond a source's colour table are
// read as black.
#pragma once

#include "platform/win32.h"

// The source at its own size; dither coordinates p = x, q = y.
HGLOBAL ConvertToStage(HGLOBAL source, HPALETTE palette);

// The source scaled to width × height by nearest pixel: output (x, y) shows
// source (MulDiv(x, sourceWidth, width), MulDiv(y, sourceHeight, height)),
// each clamped to the last column or row. Dither coordinates are the output's.
HGLOBAL StretchToStage(HGLOBAL source, int width, int height, HPALETTE palette);

// The source centred on a width × height picture of index 0, its offset
// ((width − sourceWidth) / 2, (height − sourceHeight) / 2) truncated toward
// zero; a larger source is cut. Dither coordinates are the source's.
HGLOBAL CentreOnStage(HGLOBAL source, HPALETTE palette, int width, int height);

// The source repeated from the bottom-left corner: output (x, y) shows source
// (x mod sourceWidth, y mod sourceHeight). Dither coordinates are the output's.
HGLOBAL TileOnStage(HGLOBAL source, HPALETTE palette, int width, int height);

// A two-colour gradient (platform colour values). Components of 128, 64 and
// 192 in either colour are first lowered by one. Vertical (horizontal 0):
// colour1 at the top row, colour2 at the bottom, one colour per row, dither
// coordinates p = x, q = y. Horizontal: colour1 at the left column, colour2 at
// the right, one colour per column, dither coordinates p = y, q = x.
HGLOBAL FillGradient(COLORREF colour1, COLORREF colour2, int width, int height, BOOL horizontal, HPALETTE palette);

// One colour dithered over the whole picture; p = x, q = y.
HGLOBAL FillSolid(COLORREF colour, int width, int height, HPALETTE palette);

// The source at its own size with every pixel of the key colour (the colour of
// its first stored pixel, the bottom-left one) written as kTransparentIndex
// and every other pixel quantised with p = x, q = y.
HGLOBAL ConvertSpriteImage(HGLOBAL source, HPALETTE palette);
