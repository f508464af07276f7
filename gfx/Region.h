// Bitmap-shaped regions and transparent drawing: the only routines that turn key colours into window
// shapes and masked blits. Free functions without state; each returns 1 on success and 0 on failure,
// with the first failing call's last-error code left for the caller. A region handed out belongs to
// the caller until it is given to a window with SetWindowRgn.
#ifndef KESTREL_REGION_H
#define KESTREL_REGION_H

#include <windows.h>

// True when colour equals one of the count keys (compared as whole 32-bit values, in array order).
BOOL IsKeyColour(COLORREF colour, WORD keyCount, const COLORREF *keys);

// The shape of bitmap: every pixel that is not one of the keys, as a union of one rectangle per
// opaque run of each row. reference only supplies the device context the scan is made compatible
// with. region, when given, is cleared on entry and receives the shape on success; without it the
// shape is built and thrown away.
BOOL RegionFromBitmap(HWND reference, HBITMAP bitmap, WORD keyCount, const COLORREF *keys, HRGN *region);

// The shape of a picture already drawn in dc, scanned over width x height from (0, 0) with one key
// colour; every run grows by margin pixels on each side (never below 0 at the left and top).
// dc is read, not changed. A negative margin is refused (ERROR_INVALID_PARAMETER).
BOOL GrownRegionFromDc(HDC dc, int width, int height, int margin, COLORREF key, HRGN *region);

// Draws the whole bitmap at (x, y) of destination with the key colour transparent. With a keep
// rectangle, the parts of the bitmap outside it are painted with the key colour first, for good.
// The bitmap must not be selected into another device context.
BOOL DrawTransparentBitmap(HDC destination, int x, int y, HBITMAP bitmap, COLORREF key, const RECT *keep);

#endif
