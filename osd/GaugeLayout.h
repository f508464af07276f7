// The brightness gauge's layout arithmetic: where the rows, segments, labels, icon and title go for
// a screen size and the measured text widths. Plain functions over plain values, apart from any
// window or font, so that they are tested on their own; LevelGauge measures and calls them.
#ifndef KESTREL_GAUGELAYOUT_H
#define KESTREL_GAUGELAYOUT_H

#include <windows.h>

// What the layout arithmetic needs besides the screen: the measured text widths and the margin
// every shape keeps around its content (shadow offset plus both outline widths).
struct GaugeMeasures {
    UINT screenWidth, screenHeight;
    UINT levelCount;
    UINT heightDivisor;
    UINT margin;
    UINT titleWidth, minWidth, maxWidth;
};

// Where everything goes, in gauge coordinates except x and y (the gauge's place on the screen).
struct GaugePlan {
    UINT unit;          // level row height U
    UINT titleHeight;   // title row height T
    UINT width, height; // GW, GH
    int x, y;
    UINT left;          // start of the level row's first gap (after the minimum label)
    UINT step;          // width S of every segment and gap
    int iconX;          // may be negative: the icon is then cut at the gauge's left edge
    UINT titleX;
};

// The row unit and the title height for a screen height.
void GaugeRowHeights(UINT screenHeight, UINT heightDivisor, UINT *unit, UINT *titleHeight);

// Segment index of the plan, in gauge coordinates: S wide from left + S x (2 index + 1), over the
// level row below the title.
RECT GaugeSegmentBox(const GaugePlan &plan, UINT index);

// How far an unlit segment shrinks on each side from its box, for segments w wide and h high and
// the margin the outline and shadow take: two fifths when a fifth leaves more than the margin and a
// pixel, else a third, else nothing across and four ninths (a third, 1) of the height.
void GaugeUnlitInsets(UINT w, UINT h, UINT margin, UINT *insetX, UINT *insetY);

// The gauge's layout for measured texts, in unsigned arithmetic with truncating divisions. Fails
// (ERROR_INVALID_PARAMETER) for an empty screen or style, and when the gauge would be wider than the
// screen or its level row leaves fewer than 2n + 1 pixels between the labels.
BOOL PlanGauge(const GaugeMeasures &measures, GaugePlan *plan);

#endif
