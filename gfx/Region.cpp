#include "gfx/Region.h"
#include "gfx/KeepError.h"

BOOL IsKeyColour(COLORREF colour, WORD keyCount, const COLORREF *keys)
{
    if (!keys)
        return FALSE;
    for (WORD i = 0; i < keyCount; i++) {
        if (keys[i] == colour)
            return TRUE;
    }
    return FALSE;
}

// Unions regions in pairs of equal weight, as a binary counter carries: each region takes part in
// about log2(n) unions, so that a picture of many short runs (a checkerboard, noise) is shaped in
// n log n steps rather than the n * n that adding every run to one growing region takes.
struct RunMerger {
    static const int Levels = 32;   // 2^32 runs are more than any picture has
    HRGN level[Levels];
};

static void DiscardRuns(RunMerger *merger)
{
    for (int i = 0; i < RunMerger::Levels; i++) {
        if (merger->level[i])
            KeepErrorDeleteObject(merger->level[i]);
        merger->level[i] = NULL;
    }
}

// Takes run over: on failure it is deleted with everything merged so far.
static BOOL AddRun(RunMerger *merger, HRGN run)
{
    for (int i = 0; i < RunMerger::Levels; i++) {
        if (!merger->level[i]) {
            merger->level[i] = run;
            return TRUE;
        }
        BOOL joined = CombineRgn(run, merger->level[i], run, RGN_OR) != ERROR;
        KeepErrorDeleteObject(merger->level[i]);
        merger->level[i] = NULL;
        if (!joined)
            break;
    }
    KeepErrorDeleteObject(run);
    DiscardRuns(merger);
    return FALSE;
}

// The run scan shared by both region routines: one rectangle per opaque run, grown by margin.
// On failure the partly built region is deleted and *result stays null.
static BOOL ScanRuns(HDC dc, int width, int height, int margin, WORD keyCount, const COLORREF *keys,
                     HRGN *result)
{
    *result = NULL;
    RunMerger merger;
    ZeroMemory(&merger, sizeof merger);
    HRGN accumulated = CreateRectRgn(0, 0, 0, 0);
    if (!accumulated)
        return FALSE;
    for (int y = 0; y < height; y++) {
        int x = 0;
        while (x < width) {
            while (x < width && IsKeyColour(GetPixel(dc, x, y), keyCount, keys))
                x++;
            if (x >= width)
                break;
            int start = x;
            int end = x + 1;
            while (end < width && !IsKeyColour(GetPixel(dc, end, y), keyCount, keys))
                end++;
            HRGN run = CreateRectRgn(start > margin ? start - margin : 0, y > margin ? y - margin : 0,
                                     end + margin, y + 1 + margin);
            if (!run || !AddRun(&merger, run)) {
                DiscardRuns(&merger);
                KeepErrorDeleteObject(accumulated);
                return FALSE;
            }
            // The pixel at end is already known to be a key pixel.
            x = end + 1;
        }
    }
    for (int i = 0; i < RunMerger::Levels; i++) {
        if (merger.level[i] && CombineRgn(accumulated, accumulated, merger.level[i], RGN_OR) == ERROR) {
            DiscardRuns(&merger);
            KeepErrorDeleteObject(accumulated);
            return FALSE;
        }
    }
    DiscardRuns(&merger);
    *result = accumulated;
    return TRUE;
}

BOOL RegionFromBitmap(HWND reference, HBITMAP bitmap, WORD keyCount, const COLORREF *keys, HRGN *region)
{
    BOOL ok = FALSE;
    HDC windowDc = NULL;
    HDC memory = NULL;
    HGDIOBJ previous = NULL;
    HRGN shape = NULL;
    BITMAP info;

    if (region)
        *region = NULL;
    windowDc = GetDC(reference);
    if (!windowDc)
        goto done;
    memory = CreateCompatibleDC(windowDc);
    if (!memory)
        goto done;
    previous = SelectObject(memory, bitmap);
    if (!previous || previous == HGDI_ERROR) {
        previous = NULL;
        goto done;
    }
    if (GetObjectA(bitmap, sizeof info, &info) == 0)
        goto done;
    if (!ScanRuns(memory, info.bmWidth, info.bmHeight, 0, keyCount, keys, &shape))
        goto done;
    ok = TRUE;

done:
    if (previous)
        KeepErrorSelectObject(memory, previous);
    if (memory)
        KeepErrorDeleteDC(memory);
    if (windowDc)
        KeepErrorReleaseDC(reference, windowDc);
    if (shape) {
        if (region)
            *region = shape;
        else
            DeleteObject(shape);
    }
    return ok;
}

BOOL GrownRegionFromDc(HDC dc, int width, int height, int margin, COLORREF key, HRGN *region)
{
    if (region)
        *region = NULL;
    if (margin < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HRGN shape = NULL;
    if (!ScanRuns(dc, width, height, margin, 1, &key, &shape))
        return FALSE;
    if (region)
        *region = shape;
    else
        DeleteObject(shape);
    return TRUE;
}

// The temporary contexts of a transparent draw.
enum { InverseMaskArea = 0, MaskArea = 1, WorkArea = 2, SaveArea = 3, AreaCount = 4 };

BOOL DrawTransparentBitmap(HDC destination, int x, int y, HBITMAP bitmap, COLORREF key, const RECT *keep)
{
    BOOL ok = FALSE;
    HDC source = NULL;
    HGDIOBJ sourcePrevious = NULL;
    HBRUSH keyBrush = NULL;
    HDC area[AreaCount] = { NULL, NULL, NULL, NULL };
    HBITMAP areaBitmap[AreaCount] = { NULL, NULL, NULL, NULL };
    HGDIOBJ areaPrevious[AreaCount] = { NULL, NULL, NULL, NULL };
    BITMAP info;
    int w, h;

    source = CreateCompatibleDC(destination);
    if (!source)
        goto done;
    sourcePrevious = SelectObject(source, bitmap);
    if (!sourcePrevious || sourcePrevious == HGDI_ERROR) {
        sourcePrevious = NULL;
        goto done;
    }
    if (GetObjectA(bitmap, sizeof info, &info) == 0)
        goto done;
    w = info.bmWidth;
    h = info.bmHeight;

    if (keep) {
        // Bands are taken from the keep rectangle clipped to the bitmap, so that a rectangle reaching
        // past an edge never gives a band with negative extent (which would be filled mirrored).
        RECT k = *keep;
        if (k.left < 0) k.left = 0;
        if (k.top < 0) k.top = 0;
        if (k.right > w) k.right = w;
        if (k.bottom > h) k.bottom = h;
        if (k.left > w) k.left = w;
        if (k.top > h) k.top = h;
        if (k.right < k.left) k.right = k.left;
        if (k.bottom < k.top) k.bottom = k.top;
        const RECT bands[4] = {
            { 0, 0, w, k.top },
            { 0, k.top, k.left, k.bottom },
            { k.right, k.top, w, k.bottom },
            { 0, k.bottom, w, h },
        };
        keyBrush = CreateSolidBrush(key);
        if (!keyBrush)
            goto done;
        for (int i = 0; i < 4; i++) {
            if (bands[i].right > bands[i].left && bands[i].bottom > bands[i].top &&
                !FillRect(source, &bands[i], keyBrush))
                goto done;
        }
    }

    for (int i = 0; i < AreaCount; i++) {
        area[i] = CreateCompatibleDC(destination);
        if (!area[i])
            goto done;
        if (i == InverseMaskArea || i == MaskArea)
            areaBitmap[i] = CreateBitmap(w, h, 1, 1, NULL);
        else
            areaBitmap[i] = CreateCompatibleBitmap(destination, w, h);
        if (!areaBitmap[i])
            goto done;
        areaPrevious[i] = SelectObject(area[i], areaBitmap[i]);
        if (!areaPrevious[i] || areaPrevious[i] == HGDI_ERROR) {
            areaPrevious[i] = NULL;
            goto done;
        }
    }

    if (!BitBlt(area[SaveArea], 0, 0, w, h, source, 0, 0, SRCCOPY))
        goto done;
    {
        // Key pixels become 1 in the mask, all others 0.
        COLORREF oldBackground = SetBkColor(source, key);
        if (oldBackground == CLR_INVALID)
            goto done;
        BOOL copied = BitBlt(area[MaskArea], 0, 0, w, h, source, 0, 0, SRCCOPY);
        DWORD error = GetLastError();
        SetBkColor(source, oldBackground);
        SetLastError(error);
        if (!copied)
            goto done;
    }
    if (!BitBlt(area[InverseMaskArea], 0, 0, w, h, area[MaskArea], 0, 0, NOTSRCCOPY))
        goto done;
    if (!BitBlt(area[WorkArea], 0, 0, w, h, destination, x, y, SRCCOPY))
        goto done;
    // The background stays where the bitmap is transparent and turns black elsewhere.
    if (!BitBlt(area[WorkArea], 0, 0, w, h, area[MaskArea], 0, 0, SRCAND))
        goto done;
    if (!BitBlt(source, 0, 0, w, h, area[InverseMaskArea], 0, 0, SRCAND))
        goto done;
    if (!BitBlt(area[WorkArea], 0, 0, w, h, source, 0, 0, SRCPAINT))
        goto done;
    // The only write to the destination.
    if (!BitBlt(destination, x, y, w, h, area[WorkArea], 0, 0, SRCCOPY))
        goto done;
    if (!BitBlt(source, 0, 0, w, h, area[SaveArea], 0, 0, SRCCOPY))
        goto done;
    ok = TRUE;

done:
    for (int i = AreaCount - 1; i >= 0; i--) {
        if (areaPrevious[i])
            KeepErrorSelectObject(area[i], areaPrevious[i]);
        if (areaBitmap[i])
            KeepErrorDeleteObject(areaBitmap[i]);
        if (area[i])
            KeepErrorDeleteDC(area[i]);
    }
    if (keyBrush)
        KeepErrorDeleteObject(keyBrush);
    if (sourcePrevious)
        KeepErrorSelectObject(source, sourcePrevious);
    if (source)
        KeepErrorDeleteDC(source);
    return ok;
}
