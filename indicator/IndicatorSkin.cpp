#include "indicator/IndicatorSkin.h"

#include "gfx/KeepError.h"
#include "gfx/MemoryDc.h"
#include "gfx/Region.h"
#include "gfx/Text.h"
#include "indicator/SkinFile.h"

static BOOL BitmapSize(HBITMAP bitmap, int *width, int *height)
{
    BITMAP info;
    if (!bitmap || GetObjectA(bitmap, sizeof info, &info) == 0)
        return FALSE;
    *width = info.bmWidth;
    *height = info.bmHeight;
    return TRUE;
}

HBITMAP CopyBitmap(HDC dc, HBITMAP bitmap)
{
    int width, height;
    if (!BitmapSize(bitmap, &width, &height))
        return NULL;
    MemoryDc source(dc, bitmap);
    HBITMAP copy = source.Dc() ? CreateCompatibleBitmap(dc, width, height) : NULL;
    if (!copy)
        return NULL;
    BOOL copied;
    {
        MemoryDc target(dc, copy);
        copied = target.Dc() && BitBlt(target.Dc(), 0, 0, width, height, source.Dc(), 0, 0, SRCCOPY);
    }
    if (!copied) {
        KeepErrorDeleteObject(copy);
        return NULL;
    }
    return copy;
}

BOOL DrawDigits(HDC dc, int x, int y, int digitCount, UINT value, BOOL horizontal, HBITMAP strip,
                COLORREF keyColour)
{
    int sw, sh;
    // Nine cells are the most a 32-bit value can fill.
    if (digitCount < 1 || digitCount > 9 || !BitmapSize(strip, &sw, &sh)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int cw = horizontal ? sw / 10 : sw;
    const int ch = horizontal ? sh : sh / 10;
    UINT power = 1;
    for (int k = 1; k < digitCount; k++)
        power *= 10;
    // Compared unsigned, so that any value too large for the cells reads as all nines.
    if (value / 10 >= power)
        value = power * 10 - 1;

    MemoryDc cells(dc, horizontal ? digitCount * cw : cw, horizontal ? ch : digitCount * ch);
    if (!cells.Dc())
        return FALSE;   // before the next context, which could fail with a code of its own
    MemoryDc glyphs(dc, strip);
    HBRUSH blank = glyphs.Dc() ? CreateSolidBrush(keyColour) : NULL;
    if (!blank)
        return FALSE;
    BOOL ok = TRUE, leadingBlanks = TRUE;
    for (int k = 0; ok && k < digitCount; k++) {
        UINT d = value / power;
        int cellX = horizontal ? k * cw : 0;
        int cellY = horizontal ? 0 : (digitCount - 1 - k) * ch;
        if (leadingBlanks && d == 0 && k != digitCount - 1) {
            RECT cell = { cellX, cellY, cellX + cw, cellY + ch };
            ok = FillRect(cells.Dc(), &cell, blank);
        } else {
            ok = BitBlt(cells.Dc(), cellX, cellY, cw, ch, glyphs.Dc(), horizontal ? (int)d * cw : 0,
                        horizontal ? 0 : (int)d * ch, SRCCOPY);
            leadingBlanks = FALSE;
        }
        value %= power;
        power /= 10;
    }
    KeepErrorDeleteObject(blank);
    // The counter must be free of every context before it is drawn transparently.
    cells.Deselect();
    return ok && DrawTransparentBitmap(dc, x, y, cells.Bitmap(), keyColour, NULL);
}

RECT GaugeKeepRect(int width, int height, UINT percent, BOOL horizontal)
{
    // In 64 bits, so that no percentage overflows; beyond 100 % the whole gauge shows.
    LONGLONG part = (LONGLONG)(horizontal ? width : height) * percent / 100;
    LONGLONG whole = horizontal ? width : height;
    if (part > whole)
        part = whole;
    RECT keep;
    if (horizontal)
        SetRect(&keep, 0, 0, (int)part, height);
    else
        SetRect(&keep, 0, height - (int)part, width, height);
    return keep;
}

DWORD ShapeRectangles(HRGN shape)
{
    DWORD size = GetRegionData(shape, 0, NULL);
    return size > sizeof(RGNDATAHEADER) ? (size - sizeof(RGNDATAHEADER)) / sizeof(RECT) : 0;
}

IndicatorSkin::IndicatorSkin(HINSTANCE module) : module(module), loaded(FALSE)
{
    ZeroMemory(&horizontalSet, sizeof horizontalSet);
    ZeroMemory(&verticalSet, sizeof verticalSet);
}

void IndicatorSkin::LoadSet(const char *skinFile, const char *resourceFolder, const char *section, BOOL marks,
                            BOOL time, BOOL horizontal, OrientationSet *set)
{
    SkinModeLayout layout = { section, marks, time };
    for (int i = 0; i < SkinElementCount; i++) {
        SkinElement element = (SkinElement)i;
        PlacedImage &image = set->image[i];
        if (!SkinModeReads(layout, element))
            continue;
        char key[32], name[SkinNameSize], path[PathSize];
        SkinElementKey(element, horizontal, key, sizeof key);
        BOOL present = element == SkinBody
            ? ReadColorEntry(skinFile, section, key, &image.key, name, sizeof name)
            : ReadPlacedEntry(skinFile, section, key, &image.x, &image.y, &image.key, name, sizeof name);
        // A name that does not fit after the resource folder would load some other file.
        if (present && SkinImagePath(resourceFolder, name, path, sizeof path))
            image.bitmap = LoadSkinImage(path);
        // A strip too small for ten cells has no glyph to draw: it counts as one that did not load.
        int width, height;
        if (element == SkinDigits && BitmapSize(image.bitmap, &width, &height) && (horizontal ? width : height) < 10) {
            DeleteObject(image.bitmap);
            image.bitmap = NULL;
        }
        if (!image.bitmap)
            image.x = image.y = image.key = 0;
    }
    PlacedImage &body = set->image[SkinBody];
    if (body.bitmap)
        RegionFromBitmap(GetDesktopWindow(), body.bitmap, 1, &body.key, &set->shape);
    if (set->shape && ShapeRectangles(set->shape) > MostShapeRectangles) {
        // Too ragged to be a window's shape: the body counts as one that did not load.
        DeleteObject(set->shape);
        set->shape = NULL;
        DeleteObject(body.bitmap);
        body.bitmap = NULL;
        body.key = 0;
    }
    if (!set->shape)
        set->shape = CreateRectRgn(0, 0, 0, 0);
}

BOOL IndicatorSkin::Load(const char *installFolder, const char *resourceFolder, UINT skinNumber, DWORD displayMode)
{
    if (loaded) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    // A path that cannot be built reads as a missing file: every element absent.
    char skinFile[PathSize];
    if (!SkinFilePath(installFolder, skinNumber, skinFile, sizeof skinFile))
        skinFile[0] = '\0';
    SkinModeLayout layout = SkinLayoutFor(displayMode);
    if (skinFile[0]) {
        LoadSet(skinFile, resourceFolder, layout.section, layout.marks, layout.time, TRUE, &horizontalSet);
        LoadSet(skinFile, resourceFolder, layout.section, layout.marks, layout.time, FALSE, &verticalSet);
    } else {
        horizontalSet.shape = CreateRectRgn(0, 0, 0, 0);
        verticalSet.shape = CreateRectRgn(0, 0, 0, 0);
    }
    loaded = TRUE;
    return TRUE;
}

void IndicatorSkin::Release()
{
    OrientationSet *sets[2] = { &horizontalSet, &verticalSet };
    for (int s = 0; s < 2; s++) {
        for (int i = 0; i < SkinElementCount; i++) {
            if (sets[s]->image[i].bitmap)
                DeleteObject(sets[s]->image[i].bitmap);
        }
        if (sets[s]->shape)
            DeleteObject(sets[s]->shape);
        ZeroMemory(sets[s], sizeof *sets[s]);
    }
}

BOOL IndicatorSkin::CopyRegion(BOOL horizontal, HRGN *region) const
{
    *region = NULL;
    if (!loaded) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    if (!copy)
        return FALSE;
    const OrientationSet &set = Set(horizontal);
    if (set.shape && CombineRgn(copy, set.shape, NULL, RGN_COPY) == ERROR) {
        KeepErrorDeleteObject(copy);
        return FALSE;
    }
    *region = copy;
    return TRUE;
}

BOOL IndicatorSkin::GetSize(BOOL horizontal, int *width, int *height) const
{
    *width = *height = 0;
    if (!loaded) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    BitmapSize(Set(horizontal).image[SkinBody].bitmap, width, height);
    return TRUE;
}

// Draws one placed element onto the canvas if it has a picture.
static BOOL DrawElement(HDC canvas, HBITMAP bitmap, int x, int y, COLORREF key)
{
    return !bitmap || DrawTransparentBitmap(canvas, x, y, bitmap, key, NULL);
}

BOOL IndicatorSkin::Compose(HDC canvas, const OrientationSet &set, BOOL horizontal, UINT percent,
                            PowerState state, UINT minutes, int width, int height, HBRUSH background) const
{
    const PlacedImage &body = set.image[SkinBody];
    if (background) {
        RECT all = { 0, 0, width, height };
        if (!FillRect(canvas, &all, background) || !DrawElement(canvas, body.bitmap, 0, 0, body.key))
            return FALSE;
    } else {
        MemoryDc source(canvas, body.bitmap);
        if (!source.Dc() || !BitBlt(canvas, 0, 0, width, height, source.Dc(), 0, 0, SRCCOPY))
            return FALSE;
    }

    const PlacedImage &gauge = set.image[SkinGauge];
    int gw, gh;
    if (BitmapSize(gauge.bitmap, &gw, &gh)) {
        // Cut on a copy: the keep rectangle paints the hidden part of the bitmap it is given.
        RECT keep = GaugeKeepRect(gw, gh, percent, horizontal);
        HBITMAP copy = CopyBitmap(canvas, gauge.bitmap);
        if (!copy)
            return FALSE;
        BOOL drawn = DrawTransparentBitmap(canvas, gauge.x, gauge.y, copy, gauge.key, &keep);
        KeepErrorDeleteObject(copy);
        if (!drawn)
            return FALSE;
    }

    const PlacedImage &mark = set.image[state == OnAc ? SkinMarkAcNoCharging
                                        : state == OnAcCharging ? SkinMarkAcCharging : SkinMarkBattery];
    if (!DrawElement(canvas, mark.bitmap, mark.x, mark.y, mark.key))
        return FALSE;

    const PlacedImage &digits = set.image[SkinDigits];
    const PlacedImage &label = set.image[SkinLabel];
    if (minutes != 0 && digits.bitmap) {
        if (!DrawDigits(canvas, digits.x, digits.y, MinuteDigits, minutes, horizontal, digits.bitmap, digits.key)
                || !DrawElement(canvas, label.bitmap, label.x, label.y, label.key))
            return FALSE;
    }
    return TRUE;
}

BOOL IndicatorSkin::Draw(HDC dc, BOOL horizontal, UINT percent, PowerState state, UINT minutes,
                         const POINT *origin, HBRUSH background) const
{
    if (!loaded) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    int width, height;
    GetSize(horizontal, &width, &height);
    if (width <= 0 || height <= 0)
        return TRUE;   // no body: nothing to see

    MemoryDc canvas(dc, width, height);
    if (!canvas.Dc()
            || !Compose(canvas.Dc(), Set(horizontal), horizontal, percent, state, minutes, width, height, background))
        return FALSE;
    // The only write to the target.
    return BitBlt(dc, origin ? origin->x : 0, origin ? origin->y : 0, width, height, canvas.Dc(), 0, 0, SRCCOPY);
}
