#include "osd/LevelGauge.h"

#include <new>

#include "gfx/KeepError.h"
#include "gfx/MemoryDc.h"
#include "gfx/Region.h"
#include "res/resource.h"

// The drawing surface's background; whatever is left in it is outside the shapes.
const COLORREF SurfaceKey = RGB(255, 0, 255);
const COLORREF OutlineColour = RGB(0, 0, 0);
// Every gauge font is this wide, whatever its height.
const int GaugeFontWidth = 16;
const UINT AlignLeft = DT_LEFT | DT_TOP;
const UINT AlignRight = DT_RIGHT | DT_TOP;
// Body, outline and shadow: the layer and lit shape arrays.
const int ShapeCount = 3;

static void DeleteShapes(HRGN *shapes)
{
    for (int i = 0; i < ShapeCount; i++) {
        if (shapes[i])
            DeleteObject(shapes[i]);
        shapes[i] = NULL;
    }
}

BOOL SetStringField(char **field, const char *text)
{
    FreeStringField(field);
    if (!text)
        return TRUE;
    int length = lstrlenA(text);
    char *copy = new (std::nothrow) char[length + 1];
    if (!copy) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    CopyMemory(copy, text, length + 1);
    *field = copy;
    return TRUE;
}

BOOL FreeStringField(char **field)
{
    delete[] *field;
    *field = NULL;
    return TRUE;
}

// Measures text on target in the gauge font of area's height and, when dc is given, draws it there.
static BOOL MeasureAndDraw(HDC target, HDC dc, COLORREF colour, const char *text, UINT format, RECT area,
                           int weight, const char *face, UINT *width)
{
    const int height = area.bottom - area.top;
    HFONT font = CreateFontA(height, GaugeFontWidth, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH, face);
    if (!font)
        font = CreateFontA(height, GaugeFontWidth, 0, 0, 0, FALSE, FALSE, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH, NULL);
    if (!font)
        return FALSE;
    BOOL ok;
    {
        SelectedObject selected(target, font);
        SIZE extent;
        ok = GetTextExtentPoint32A(target, text, lstrlenA(text), &extent);
        if (ok && width)
            *width = (UINT)extent.cx;
        if (ok && dc) {
            COLORREF oldText = SetTextColor(dc, colour);
            COLORREF oldBack = SetBkColor(dc, SurfaceKey);
            int oldMode = SetBkMode(dc, TRANSPARENT);
            DrawTextA(dc, text, -1, &area, format);
            SetBkMode(dc, oldMode);
            SetBkColor(dc, oldBack);
            SetTextColor(dc, oldText);
        }
    }
    KeepErrorDeleteObject(font);
    return ok;
}

BOOL DrawGaugeText(HDC dc, COLORREF colour, const char *text, UINT format, const RECT &box, int weight,
                   const char *face, UINT *width)
{
    if (!text)
        text = "";
    if (dc)
        return MeasureAndDraw(dc, dc, colour, text, format, box, weight, face, width);
    // Measuring alone takes a scratch picture of the box's size on the screen.
    MemoryDc scratch(NULL, box.right - box.left, box.bottom - box.top);
    return scratch.Dc() && MeasureAndDraw(scratch.Dc(), NULL, colour, text, format, box, weight, face, width);
}

BOOL ApplyWindowRegion(HWND window, HRGN shape)
{
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    if (!copy)
        return FALSE;
    if (CombineRgn(copy, shape, NULL, RGN_COPY) == ERROR) {
        DeleteObject(copy);
        return FALSE;
    }
    RECT frame;
    HRGN before = NULL;   // the shape shown until now (none: the whole window)
    const BOOL visible = IsWindowVisible(window) && GetWindowRect(window, &frame);
    if (visible) {
        before = CreateRectRgn(0, 0, 0, 0);
        if (before && GetWindowRgn(window, before) == ERROR) {
            DeleteObject(before);
            before = NULL;
        }
        // Only what is about to vanish stays, at no size: the desktop under it is repainted now.
        HRGN vanishing = CreateRectRgn(0, 0, 0, 0);
        if (vanishing && GetWindowRgn(window, vanishing) != ERROR
                && CombineRgn(vanishing, vanishing, shape, RGN_DIFF) != ERROR
                && SetWindowRgn(window, vanishing, FALSE))
            vanishing = NULL;   // the window's own now
        if (vanishing)
            DeleteObject(vanishing);
        SetWindowPos(window, NULL, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
    }
    const BOOL shaped = SetWindowRgn(window, copy, FALSE);
    const DWORD error = GetLastError();
    if (!shaped) {
        DeleteObject(copy);
        // A shape that did not take leaves the popup as it was, not at no size.
        if (visible && SetWindowRgn(window, before, FALSE))
            before = NULL;
    }
    if (before)
        DeleteObject(before);
    if (visible)
        SetWindowPos(window, NULL, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING | (shaped ? SWP_NOREDRAW : 0));
    SetLastError(error);
    return shaped;
}

LevelGauge::LevelGauge(HINSTANCE instance)
    : composed(FALSE), instance(instance), segments(NULL), width(0), height(0), x(0), y(0),
      screenWidth(0), screenHeight(0), titleHeight(0), unit(0), step(0), iconX(0), titleX(0),
      colour(0), shadowColour(0), levelCount(0), heightDivisor(0), face(NULL), weight(0),
      minLabel(NULL), maxLabel(NULL), title(NULL), shadowOn(FALSE), extruded(FALSE), dx(0), dy(0),
      outlineOn(FALSE), b(0)
{
    for (int i = 0; i < LayerCount; i++) {
        layer[i] = NULL;
        lit[i] = NULL;
    }
}

BOOL LevelGauge::Setup(const GaugeStyle &style)
{
    if (composed) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    levelCount = style.levelCount;
    heightDivisor = style.heightDivisor;
    weight = style.weight;
    if (!SetStringField(&face, style.face) || !SetStringField(&minLabel, style.minLabel)
            || !SetStringField(&maxLabel, style.maxLabel) || !SetStringField(&title, style.title))
        return FALSE;
    shadowOn = style.shadowOn;
    extruded = style.extruded;
    dx = shadowOn ? style.dx : 0;
    dy = shadowOn ? style.dy : 0;
    if (extruded)
        dx = dy = dx > dy ? dx : dy;
    outlineOn = style.outlineOn;
    b = outlineOn ? style.outlineWidth : 0;
    colour = style.colour;
    shadowColour = style.shadowColour;
    // A new style is laid out whatever an earlier attempt at this screen size gave.
    screenWidth = screenHeight = 0;
    return Layout();
}

BOOL LevelGauge::Layout()
{
    RECT screen;
    if (!GetWindowRect(GetDesktopWindow(), &screen))
        return FALSE;
    return LayoutForScreen((UINT)(screen.right - screen.left), (UINT)(screen.bottom - screen.top));
}

BOOL LevelGauge::LayoutForScreen(UINT newWidth, UINT newHeight)
{
    if (!newWidth || !newHeight) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (newWidth == screenWidth && newHeight == screenHeight) {
        // Nothing changed since the last attempt, and neither does its result.
        if (!composed)
            SetLastError(ERROR_NOT_READY);
        return composed;
    }
    screenWidth = newWidth;
    screenHeight = newHeight;
    composed = FALSE;

    GaugeMeasures measures;
    measures.screenWidth = newWidth;
    measures.screenHeight = newHeight;
    measures.levelCount = levelCount;
    measures.heightDivisor = heightDivisor;
    measures.margin = dx + 2 * b;
    UINT rowUnit, titleRow;
    GaugeRowHeights(newHeight, heightDivisor, &rowUnit, &titleRow);
    const RECT titleBox = { 0, 0, (LONG)newWidth, (LONG)titleRow };
    const RECT labelBox = { 0, 0, (LONG)newWidth, (LONG)rowUnit };
    if (!DrawGaugeText(NULL, colour, title, AlignLeft, titleBox, weight, face, &measures.titleWidth)
            || !DrawGaugeText(NULL, colour, minLabel, AlignLeft, labelBox, weight, face, &measures.minWidth)
            || !DrawGaugeText(NULL, colour, maxLabel, AlignLeft, labelBox, weight, face, &measures.maxWidth))
        return FALSE;
    GaugePlan plan;
    if (!PlanGauge(measures, &plan))
        return FALSE;
    unit = plan.unit;
    titleHeight = plan.titleHeight;
    width = plan.width;
    height = plan.height;
    x = plan.x;
    y = plan.y;
    step = plan.step;
    iconX = plan.iconX;
    titleX = plan.titleX;

    HRGN fresh[LayerCount] = { NULL, NULL, NULL };
    RECT *boxes = NULL;
    if (!BuildLayer(MainLayer, &fresh[MainLayer])
            || (outlineOn && !BuildLayer(OutlineLayer, &fresh[OutlineLayer]))
            || (shadowOn && !BuildLayer(ShadowLayer, &fresh[ShadowLayer]))
            || !(boxes = new (std::nothrow) RECT[levelCount])) {
        DWORD error = GetLastError();
        DeleteShapes(fresh);
        SetLastError(error ? error : ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    DeleteShapes(layer);
    for (int i = 0; i < LayerCount; i++)
        layer[i] = fresh[i];
    delete[] segments;
    segments = boxes;
    for (UINT i = 0; i < levelCount; i++)
        segments[i] = GaugeSegmentBox(plan, i);
    composed = TRUE;
    return TRUE;
}

// The title's icon is loaded at this size whatever size it is drawn.
const int GaugeIconSize = 32;

// The icon and the three texts, kept inside the given insets of the gauge.
void LevelGauge::DrawContent(HDC dc, UINT left, UINT top, UINT right, UINT bottom)
{
    const int iconWidth = (int)titleHeight - (int)right - (int)left;
    const int iconHeight = (int)titleHeight - (int)bottom - (int)top;
    if (iconWidth > 0 && iconHeight > 0) {
        // The 32 x 32 picture, stretched to the title row: its silhouette is the gauge's outline.
        HICON icon = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_GAUGE), IMAGE_ICON, GaugeIconSize,
                                       GaugeIconSize, 0);
        if (icon) {
            DrawIconEx(dc, (int)left + iconX, (int)top, icon, iconWidth, iconHeight, 0, NULL, DI_NORMAL);
            DestroyIcon(icon);
        }
    }
    const RECT labels = { (LONG)left, (LONG)(top + titleHeight), (LONG)width - (LONG)right,
                          (LONG)(unit + titleHeight) - (LONG)bottom };
    if (labels.bottom > labels.top) {
        DrawGaugeText(dc, colour, minLabel, AlignLeft, labels, weight, face, NULL);
        DrawGaugeText(dc, colour, maxLabel, AlignRight, labels, weight, face, NULL);
    }
    const RECT heading = { (LONG)(left + titleX), (LONG)top, (LONG)width - (LONG)right,
                           (LONG)titleHeight - (LONG)bottom };
    if (heading.bottom > heading.top)
        DrawGaugeText(dc, colour, title, AlignLeft, heading, weight, face, NULL);
}

BOOL LevelGauge::BuildLayer(LayerKind kind, HRGN *shape)
{
    MemoryDc canvas(NULL, (int)width, (int)height);
    HDC surface = canvas.Dc();
    HBRUSH key = CreateSolidBrush(SurfaceKey);
    const RECT all = { 0, 0, (LONG)width, (LONG)height };
    int margin = 0;
    BOOL ok = FALSE;

    *shape = NULL;
    if (surface && key && FillRect(surface, &all, key)) {
        if (kind == MainLayer) {
            DrawContent(surface, b, b, dx + b, dy + b);
        } else if (kind == OutlineLayer) {
            DrawContent(surface, b, b, dx + b, dy + b);
            margin = (int)b;
        } else if (extruded) {
            // One copy per pixel of depth, from the body's place down to the right.
            for (UINT i = 0; i < dx; i++)
                DrawContent(surface, b + i, b + i, dx - i + b, dy - i + b);
            margin = (int)b;
        } else {
            DrawContent(surface, b + dx, b + dy, b, b);
        }
        ok = GrownRegionFromDc(surface, (int)width, (int)height, margin, SurfaceKey, shape);
    }
    if (key)
        DeleteObject(key);
    return ok;
}

// Adds to shape one rectangle per segment, inset for the layer kind; the unlit ones (from lit on)
// shrink further to small marks. b, dx and dy are those in effect for this level.
static BOOL AddSegmentShape(const RECT *segments, UINT count, UINT lit, UINT insetX, UINT insetY,
                            const RECT &insets, HRGN shape)
{
    for (UINT i = 0; i < count; i++) {
        RECT box = segments[i];
        box.left += insets.left;
        box.top += insets.top;
        box.right -= insets.right;
        box.bottom -= insets.bottom;
        if (i >= lit)
            InflateRect(&box, -(int)insetX, -(int)insetY);
        if (box.right <= box.left || box.bottom <= box.top)
            continue;   // shrunk to nothing
        HRGN one = CreateRectRgnIndirect(&box);
        if (!one)
            return FALSE;
        int combined = CombineRgn(shape, shape, one, RGN_OR);
        DeleteObject(one);
        if (combined == ERROR)
            return FALSE;
    }
    return TRUE;
}

BOOL LevelGauge::SetLevel(HWND window, UINT level)
{
    if (!composed || !segments) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (level >= levelCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const UINT count = level + 1;

    const UINT margin = dx + 2 * b;
    const BOOL tooSmall = step <= margin || unit <= dy + 2 * b;
    UINT insetX, insetY;
    GaugeUnlitInsets(step, unit, margin, &insetX, &insetY);
    // Too small for outline and shadow: the segments alone, at full size.
    const UINT useB = tooSmall ? 0 : b, useDx = tooSmall ? 0 : dx, useDy = tooSmall ? 0 : dy;
    const BOOL useOutline = outlineOn && !tooSmall, useShadow = shadowOn && !tooSmall;
    const RECT insets[LayerCount] = {
        { (LONG)useB, (LONG)useB, (LONG)(useDx + useB), (LONG)(useDy + useB) },
        { 0, 0, (LONG)useDx, (LONG)useDy },
        { (LONG)useDx, (LONG)useDy, 0, 0 },
    };
    const BOOL used[LayerCount] = { TRUE, useOutline, useShadow };

    BOOL ok = FALSE;
    HRGN fresh[LayerCount] = { NULL, NULL, NULL };
    HRGN whole = CreateRectRgn(0, 0, 0, 0);
    if (!whole)
        goto done;
    for (int kind = 0; kind < LayerCount; kind++) {
        if (!used[kind])
            continue;
        fresh[kind] = CreateRectRgn(0, 0, 0, 0);
        if (!fresh[kind] || !AddSegmentShape(segments, levelCount, count, insetX, insetY, insets[kind], fresh[kind])
                || CombineRgn(fresh[kind], fresh[kind], layer[kind], RGN_OR) == ERROR
                || CombineRgn(whole, whole, fresh[kind], RGN_OR) == ERROR)
            goto done;
    }
    // The three painted shapes must not overlap: the body wins over the outline, both over the shadow.
    if (useOutline && CombineRgn(fresh[OutlineLayer], fresh[OutlineLayer], fresh[MainLayer], RGN_DIFF) == ERROR)
        goto done;
    if (useShadow && (CombineRgn(fresh[ShadowLayer], fresh[ShadowLayer], fresh[MainLayer], RGN_DIFF) == ERROR
            || (useOutline && CombineRgn(fresh[ShadowLayer], fresh[ShadowLayer], fresh[OutlineLayer], RGN_DIFF) == ERROR)))
        goto done;
    if (!ApplyWindowRegion(window, whole))
        goto done;
    DeleteShapes(lit);
    for (int i = 0; i < LayerCount; i++) {
        lit[i] = fresh[i];
        fresh[i] = NULL;
    }
    ok = TRUE;

done:
    {
        DWORD error = GetLastError();
        DeleteShapes(fresh);
        if (whole)
            DeleteObject(whole);
        SetLastError(error);
    }
    return ok;
}

BOOL LevelGauge::Paint(HDC dc, HWND window)
{
    if (!composed || !IsWindowVisible(window))
        return FALSE;
    MemoryDc canvas(dc, (int)width, (int)height);
    HDC memory = canvas.Dc();
    if (!memory)
        return FALSE;
    const COLORREF colours[LayerCount] = { colour, OutlineColour, shadowColour };
    for (int kind = 0; kind < LayerCount; kind++) {
        if (!lit[kind])
            continue;
        HBRUSH brush = CreateSolidBrush(colours[kind]);
        if (!brush)
            return FALSE;
        FillRgn(memory, lit[kind], brush);
        DeleteObject(brush);
    }
    // Pixels outside the lit shapes are never seen: the window's shape hides them.
    return BitBlt(dc, 0, 0, (int)width, (int)height, memory, 0, 0, SRCCOPY);
}

void LevelGauge::GetSize(UINT *outWidth, UINT *outHeight) const
{
    if (outWidth)
        *outWidth = width;
    if (outHeight)
        *outHeight = height;
}

void LevelGauge::GetPosition(int *outX, int *outY) const
{
    if (outX)
        *outX = x;
    if (outY)
        *outY = y;
}

BOOL LevelGauge::GetSegment(UINT index, RECT *box) const
{
    if (!composed || !segments) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (index >= levelCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *box = segments[index];
    return TRUE;
}

void LevelGauge::Destroy()
{
    DeleteShapes(layer);
    DeleteShapes(lit);
    delete[] segments;
    segments = NULL;
    FreeStringField(&face);
    FreeStringField(&minLabel);
    FreeStringField(&maxLabel);
    FreeStringField(&title);
    composed = FALSE;
    screenWidth = screenHeight = 0;
}
