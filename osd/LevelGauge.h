// LevelGauge: the brightness gauge's layout, shapes and painting. It owns no window: the display
// popup (BrightnessOsd) owns one gauge, Setup once, SetLevel and Paint many times, Layout again when
// the screen may have changed, then Destroy and delete. Every shape is a region the gauge owns until
// a copy of it is handed to the window.
#ifndef KESTREL_LEVELGAUGE_H
#define KESTREL_LEVELGAUGE_H

#include <windows.h>

#include "osd/GaugeLayout.h"

// The look of the gauge, in the order Setup takes it. Texts are copied.
struct GaugeStyle {
    UINT levelCount;        // segments, one per backlight level
    UINT heightDivisor;     // the screen height over it is the row unit
    int weight;             // font weight
    const char *face;       // font face name
    const char *minLabel;   // left of the segments
    const char *maxLabel;   // right of the segments
    const char *title;      // beside the icon, above the segments
    BOOL shadowOn;
    BOOL extruded;          // a solid extrusion rather than one offset copy
    UINT dx, dy;            // shadow offset to the right and downwards
    BOOL outlineOn;
    UINT outlineWidth;
    COLORREF colour;
    COLORREF shadowColour;
};

// Draws (dc) or only measures (dc null) text in a font as tall as the rectangle, 16 wide; falls
// back to the system's default font when face cannot be made. format is DrawTextA's.
BOOL DrawGaugeText(HDC dc, COLORREF colour, const char *text, UINT format, const RECT &box, int weight,
                   const char *face, UINT *width);

class LevelGauge {
public:
    // The three shapes painted at a level: body, outline ring, shadow.
    enum LayerKind { MainLayer, OutlineLayer, ShadowLayer, LayerCount };

    explicit LevelGauge(HINSTANCE instance);

    BOOL Setup(const GaugeStyle &style);
    // Lays the gauge out for the screen's current size; nothing happens at an unchanged size.
    BOOL Layout();
    // The same for a given screen size (Layout reads it from the desktop window).
    BOOL LayoutForScreen(UINT screenWidth, UINT screenHeight);
    // Lights segments 0 to level and gives window the gauge's shape for it.
    BOOL SetLevel(HWND window, UINT level);
    BOOL Paint(HDC dc, HWND window);
    void GetSize(UINT *width, UINT *height) const;
    void GetPosition(int *x, int *y) const;
    // The box of one segment, in gauge coordinates.
    BOOL GetSegment(UINT index, RECT *box) const;
    // The shape of that kind painted at the current level; null when the level leaves it out.
    HRGN GetLitShape(LayerKind kind) const { return lit[kind]; }
    void Destroy();

private:
    BOOL BuildLayer(LayerKind kind, HRGN *shape);
    void DrawContent(HDC dc, UINT left, UINT top, UINT right, UINT bottom);

    BOOL composed;
    HINSTANCE instance;
    HRGN layer[LayerCount];
    HRGN lit[LayerCount];
    RECT *segments;
    UINT width, height;
    int x, y;
    UINT screenWidth, screenHeight;
    UINT titleHeight, unit, step;
    int iconX;
    UINT titleX;
    COLORREF colour;
    COLORREF shadowColour;
    UINT levelCount;
    UINT heightDivisor;
    char *face;
    int weight;
    char *minLabel, *maxLabel, *title;
    BOOL shadowOn;
    BOOL extruded;
    UINT dx, dy;
    BOOL outlineOn;
    UINT b;
};

// Owned strings of the gauge: SetStringField replaces the field's text by a copy of text (null
// empties it) and fails with ERROR_INSUFFICIENT_BUFFER, the field empty, when memory is lacking.
BOOL SetStringField(char **field, const char *text);
BOOL FreeStringField(char **field);

// Gives window its own copy of shape. A visible window first shows only what is about to vanish,
// at size 0 x 0, so that the change is drawn at once and no stale pixel stays behind; when the new
// shape does not take, the window gets its old shape and size back.
BOOL ApplyWindowRegion(HWND window, HRGN shape);

#endif
