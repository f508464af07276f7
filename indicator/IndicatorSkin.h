// IndicatorSkin: one skin loaded for one display mode (both orientations) and the composition of the
// indicator picture from it: body, gauge cut to the percentage, power-status mark, minutes counter.
// The owner (the indicator window, the settings page's sample) constructs it, Loads it once, Draws it
// as often as it likes, then Releases and deletes it; a changed skin or mode takes a new object.
#ifndef KESTREL_INDICATORSKIN_H
#define KESTREL_INDICATORSKIN_H

#include <windows.h>

#include "driver/PowerState.h"

// The minutes counter always has three cells (999 at most).
const int MinuteDigits = 3;

// A device-compatible copy of bitmap, owned by the caller; null on failure.
HBITMAP CopyBitmap(HDC dc, HBITMAP bitmap);

// Draws value as a counter of digitCount cells at (x, y) of dc, with the glyphs of strip (ten cells,
// 0 to 9, side by side when horizontal, top to bottom otherwise). Leading zeros are blank; a value
// that does not fit shows as all nines. Horizontal counters read left to right, vertical ones have
// the most significant digit at the bottom. keyColour is transparent in the strip and the blanks.
BOOL DrawDigits(HDC dc, int x, int y, int digitCount, UINT value, BOOL horizontal, HBITMAP strip,
                COLORREF keyColour);

// The visible part of a gauge of width x height at percent, in the gauge's own coordinates:
// horizontal gauges fill from the left, vertical ones from the bottom. Above 100 % the rectangle
// reaches beyond the gauge (all of it shows).
RECT GaugeKeepRect(int width, int height, UINT percent, BOOL horizontal);

// The most rectangles a body's shape may take. A window system takes a shape in one request, and an
// X server refuses one of some 32,000 rectangles (Wine then ends the program); a body more ragged
// than this counts as one that did not load.
const DWORD MostShapeRectangles = 10000;
// The number of rectangles the platform keeps for a region.
DWORD ShapeRectangles(HRGN shape);

class IndicatorSkin {
public:
    explicit IndicatorSkin(HINSTANCE module);

    // Reads "IndicatorNN.dat" of installFolder (no trailing backslash), the section of displayMode,
    // and loads the images of both orientations from resourceFolder (with its trailing backslash).
    // A missing file or image only leaves its element out: the result is TRUE. FALSE
    // (ERROR_ALREADY_EXISTS) when already loaded.
    BOOL Load(const char *installFolder, const char *resourceFolder, UINT skinNumber, DWORD displayMode);
    // Deletes every bitmap and both shapes. A released skin is not loaded again.
    void Release();
    // A new region equal to the orientation's shape (the body's non-key pixels), owned by the caller.
    // FALSE (ERROR_NOT_READY) when not loaded.
    BOOL CopyRegion(BOOL horizontal, HRGN *region) const;
    // The orientation's body size, 0 x 0 without a body. FALSE (ERROR_NOT_READY) when not loaded.
    BOOL GetSize(BOOL horizontal, int *width, int *height) const;
    // Composes the indicator for the status off screen and copies it to dc at origin (0, 0 when
    // null) in one operation. With a background brush the body's key pixels show the brush; without
    // one they keep the key colour (a shaped window leaves them out). FALSE (ERROR_NOT_READY) when
    // not loaded.
    BOOL Draw(HDC dc, BOOL horizontal, UINT percent, PowerState state, UINT minutes, const POINT *origin,
              HBRUSH background) const;

private:
    // A picture and where it goes; no bitmap when its entry or file was missing.
    struct PlacedImage {
        HBITMAP bitmap;
        COLORREF key;
        int x, y;
    };
    struct OrientationSet {
        HRGN shape;
        PlacedImage image[7];   // indexed by SkinElement; the body's x and y stay 0
    };

    void LoadSet(const char *skinFile, const char *resourceFolder, const char *section, BOOL marks, BOOL time,
                 BOOL horizontal, OrientationSet *set);
    const OrientationSet &Set(BOOL horizontal) const { return horizontal ? horizontalSet : verticalSet; }
    BOOL Compose(HDC canvas, const OrientationSet &set, BOOL horizontal, UINT percent, PowerState state,
                 UINT minutes, int width, int height, HBRUSH background) const;

    HINSTANCE module;
    BOOL loaded;
    OrientationSet horizontalSet;
    OrientationSet verticalSet;
};

#endif
