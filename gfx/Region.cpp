#include "gfx/Region.h"
#include "gfx/KeepError.h"
#include "gfx/MemoryDc.h"

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

// The bits per pixel of the picture selected into dc, 0 when it cannot be told.
static int PictureDepth(HDC dc)
{
    BITMAP info;
    HGDIOBJ picture = GetCurrentObject(dc, OBJ_BITMAP);
    if (!picture || GetObjectA(picture, sizeof info, &info) == 0)
        return 0;
    return info.bmBitsPixel * info.bmPlanes;
}

// The 32-bit top-down DIB section a copy of dc goes into, its bits at *pixels; none for a depth the
// copy would not keep exactly.
static HBITMAP PixelCopy(HDC dc, int width, int height, void **pixels)
{
    *pixels = NULL;
    const int depth = PictureDepth(dc);
    if (width <= 0 || height <= 0 || (depth < 24 && depth != 1))
        return NULL;
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down: row y starts at y * width
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, pixels, NULL, 0);
}

// Where the run scan reads its pixels. A picture of 24 or more bits, or of one, is copied once into
// a 32-bit DIB section and read from memory, giving exactly what GetPixel gives at a fraction of
// the cost: its colours are copied as they are, and its 1 bits white and 0 bits black. Any other
// depth is widened by the copy in its own way, so each pixel is asked of the context, as it is when
// the copy cannot be made.
class PixelSource {
public:
    PixelSource(HDC dc, int width, int height)
        : dc(dc), pixels(NULL), copy(dc, PixelCopy(dc, width, height, &pixels), TRUE), bits(NULL), width(width)
    {
        if (copy.Dc() && BitBlt(copy.Dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY)) {
            GdiFlush();
            bits = (const DWORD *)pixels;
        }
    }
    COLORREF At(int x, int y) const
    {
        if (!bits)
            return GetPixel(dc, x, y);
        DWORD value = bits[(size_t)y * (size_t)width + (size_t)x];   // 0x00RRGGBB
        return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    }

private:
    HDC dc;
    void *pixels;
    MemoryDc copy;
    const DWORD *bits;
    int width;
};

// Rectangles gathered row by row, top to bottom and left to right within a row, handed to
// ExtCreateRegion a batch at a time: every rectangle is one row high and rows never overlap, so
// each batch is a region in the layout ExtCreateRegion expects. The batches are united in pairs of
// equal weight, as a binary counter carries, so each takes part in about log2(n) unions: a picture
// of many short runs (a checkerboard, noise) is shaped in n log n steps rather than the n * n that
// adding every batch to one growing region would take.
class RunBatcher {
public:
    RunBatcher() : count(0), failed(FALSE) { ZeroMemory(level, sizeof level); }
    ~RunBatcher() { Discard(); }
    void Add(int left, int top, int right, int bottom)
    {
        if (failed)
            return;
        SetRect(&data.rects[count], left, top, right, bottom);
        if (++count == BatchSize)
            Flush();
    }
    // The union of every rectangle added, now the caller's; null when any step failed.
    HRGN Finish()
    {
        Flush();
        HRGN result = failed ? NULL : CreateRectRgn(0, 0, 0, 0);
        failed = !result;
        for (int i = 0; i < Levels && !failed; i++)
            failed = level[i] && CombineRgn(result, result, level[i], RGN_OR) == ERROR;
        if (failed && result) {
            KeepErrorDeleteObject(result);
            result = NULL;
        }
        Discard();
        return result;
    }

private:
    enum { BatchSize = 512, Levels = 32 };   // 2^32 batches are more than any picture has

    void Flush()
    {
        if (failed || count == 0)
            return;
        data.header.dwSize = sizeof data.header;
        data.header.iType = RDH_RECTANGLES;
        data.header.nCount = count;
        data.header.nRgnSize = count * sizeof(RECT);
        SetRect(&data.header.rcBound, data.rects[0].left, data.rects[0].top, data.rects[0].right,
                data.rects[count - 1].bottom);
        for (DWORD i = 0; i < count; i++) {
            if (data.rects[i].left < data.header.rcBound.left)
                data.header.rcBound.left = data.rects[i].left;
            if (data.rects[i].right > data.header.rcBound.right)
                data.header.rcBound.right = data.rects[i].right;
        }
        HRGN batch = ExtCreateRegion(NULL, sizeof data.header + count * sizeof(RECT), (const RGNDATA *)&data);
        count = 0;
        failed = !batch;
        for (int i = 0; batch && i < Levels; i++) {
            if (!level[i]) {
                level[i] = batch;
                return;
            }
            failed = CombineRgn(batch, level[i], batch, RGN_OR) == ERROR;
            KeepErrorDeleteObject(level[i]);
            level[i] = NULL;
            if (failed)
                break;
        }
        if (batch)
            KeepErrorDeleteObject(batch);
        failed = TRUE;
    }
    void Discard()
    {
        for (int i = 0; i < Levels; i++) {
            if (level[i])
                KeepErrorDeleteObject(level[i]);
            level[i] = NULL;
        }
    }

    struct {
        RGNDATAHEADER header;
        RECT rects[BatchSize];
    } data;
    HRGN level[Levels];
    DWORD count;
    BOOL failed;
};

// Adds to target every copy of source moved by -reach..reach along one axis; false on failure.
static BOOL Smear(HRGN target, HRGN source, int reach, BOOL horizontal)
{
    HRGN moved = CreateRectRgn(0, 0, 0, 0);
    if (!moved)
        return FALSE;
    BOOL ok = TRUE;
    for (int d = -reach; ok && d <= reach; d++) {
        if (d == 0)
            continue;
        ok = CombineRgn(moved, source, NULL, RGN_COPY) != ERROR
             && OffsetRgn(moved, horizontal ? d : 0, horizontal ? 0 : d) != ERROR
             && CombineRgn(target, target, moved, RGN_OR) != ERROR;
    }
    KeepErrorDeleteObject(moved);
    return ok;
}

// The run scan shared by both region routines: one rectangle per opaque run, grown by margin on
// every side but never below 0 at the left and top. The runs are gathered unmoved and the whole
// shape grown at the end, first across and then down (the same set as growing every run).
// On failure the partly built regions are deleted and *result stays null.
static BOOL ScanRuns(HDC dc, int width, int height, int margin, WORD keyCount, const COLORREF *keys,
                     HRGN *result)
{
    *result = NULL;
    RunBatcher runs;
    {
        PixelSource pixels(dc, width, height);
        for (int y = 0; y < height; y++) {
            int x = 0;
            while (x < width) {
                while (x < width && IsKeyColour(pixels.At(x, y), keyCount, keys))
                    x++;
                if (x >= width)
                    break;
                int start = x;
                int end = x + 1;
                while (end < width && !IsKeyColour(pixels.At(end, y), keyCount, keys))
                    end++;
                runs.Add(start, y, end, y + 1);
                // The pixel at end is already known to be a key pixel.
                x = end + 1;
            }
        }
    }
    HRGN shape = runs.Finish();
    if (!shape)
        return FALSE;
    if (margin > 0) {
        HRGN across = CreateRectRgn(0, 0, 0, 0);
        HRGN bounds = CreateRectRgn(0, 0, width + margin, height + margin);
        BOOL ok = across && bounds && CombineRgn(across, shape, NULL, RGN_COPY) != ERROR
                  && Smear(across, shape, margin, TRUE)
                  && CombineRgn(shape, across, NULL, RGN_COPY) != ERROR
                  && Smear(shape, across, margin, FALSE)
                  && CombineRgn(shape, shape, bounds, RGN_AND) != ERROR;
        if (across)
            KeepErrorDeleteObject(across);
        if (bounds)
            KeepErrorDeleteObject(bounds);
        if (!ok) {
            KeepErrorDeleteObject(shape);
            return FALSE;
        }
    }
    *result = shape;
    return TRUE;
}

BOOL RegionFromBitmap(HWND reference, HBITMAP bitmap, WORD keyCount, const COLORREF *keys, HRGN *region)
{
    BOOL ok;
    HRGN shape = NULL;
    BITMAP info;

    if (region)
        *region = NULL;
    HDC windowDc = GetDC(reference);
    if (!windowDc)
        return FALSE;
    {
        MemoryDc memory(windowDc, bitmap);
        ok = memory.Dc() && GetObjectA(bitmap, sizeof info, &info) != 0
             && ScanRuns(memory.Dc(), info.bmWidth, info.bmHeight, 0, keyCount, keys, &shape);
    }
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

// Paints the parts of a width x height picture in dc outside keep with the key colour. The bands
// are taken from keep clipped to the picture, so that a rectangle reaching past an edge never gives
// a band with negative extent (which would be filled mirrored).
static BOOL KeyOutside(HDC dc, int w, int h, RECT k, COLORREF key)
{
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
    HBRUSH brush = CreateSolidBrush(key);
    if (!brush)
        return FALSE;
    BOOL ok = TRUE;
    for (int i = 0; i < 4 && ok; i++) {
        const RECT &b = bands[i];
        ok = b.right <= b.left || b.bottom <= b.top || FillRect(dc, &b, brush);
    }
    KeepErrorDeleteObject(brush);
    return ok;
}

BOOL DrawTransparentBitmap(HDC destination, int x, int y, HBITMAP bitmap, COLORREF key, const RECT *keep)
{
    MemoryDc source(destination, bitmap);
    BITMAP info;
    if (!source.Dc() || GetObjectA(bitmap, sizeof info, &info) == 0)
        return FALSE;
    const int w = info.bmWidth, h = info.bmHeight;
    const BOOL monochrome = info.bmBitsPixel * info.bmPlanes == 1;
    if (keep && !KeyOutside(source.Dc(), w, h, *keep, key))
        return FALSE;

    // Each context is checked as soon as it is made, so a failure's code is never that of a later
    // one. The masks are monochrome; the others take the destination's format.
    MemoryDc inverseMask(destination, CreateBitmap(w, h, 1, 1, NULL), TRUE);
    if (!inverseMask.Dc())
        return FALSE;
    MemoryDc mask(destination, CreateBitmap(w, h, 1, 1, NULL), TRUE);
    if (!mask.Dc())
        return FALSE;
    MemoryDc work(destination, CreateCompatibleBitmap(destination, w, h), TRUE);
    if (!work.Dc())
        return FALSE;
    MemoryDc save(destination, CreateCompatibleBitmap(destination, w, h), TRUE);
    if (!save.Dc())
        return FALSE;

    // A monochrome bitmap would go into the mask bit for bit, whatever the key: its black pixels,
    // not its key-coloured ones, would turn transparent. The masking then works on a colour copy,
    // 1 bits white and 0 bits black as they show, and the caller's bitmap keeps its pixels.
    MemoryDc colour(destination, monochrome ? CreateCompatibleBitmap(destination, w, h) : NULL, TRUE);
    HDC from = source.Dc();
    if (monochrome) {
        if (!colour.Dc() || !BitBlt(colour.Dc(), 0, 0, w, h, from, 0, 0, SRCCOPY))
            return FALSE;
        from = colour.Dc();
    }
    if (!BitBlt(save.Dc(), 0, 0, w, h, from, 0, 0, SRCCOPY))
        return FALSE;
    // Key pixels become 1 in the mask, all others 0.
    COLORREF oldBackground = SetBkColor(from, key);
    if (oldBackground == CLR_INVALID)
        return FALSE;
    BOOL copied = BitBlt(mask.Dc(), 0, 0, w, h, from, 0, 0, SRCCOPY);
    DWORD error = GetLastError();
    SetBkColor(from, oldBackground);
    SetLastError(error);
    // The background stays where the bitmap is transparent and turns black elsewhere; the bitmap
    // turns black where it is transparent; the two are joined, and the result is the only write to
    // the destination. The bitmap (or its colour copy) gets its own pixels back last.
    return copied &&
           BitBlt(inverseMask.Dc(), 0, 0, w, h, mask.Dc(), 0, 0, NOTSRCCOPY) &&
           BitBlt(work.Dc(), 0, 0, w, h, destination, x, y, SRCCOPY) &&
           BitBlt(work.Dc(), 0, 0, w, h, mask.Dc(), 0, 0, SRCAND) &&
           BitBlt(from, 0, 0, w, h, inverseMask.Dc(), 0, 0, SRCAND) &&
           BitBlt(work.Dc(), 0, 0, w, h, from, 0, 0, SRCPAINT) &&
           BitBlt(destination, x, y, w, h, work.Dc(), 0, 0, SRCCOPY) &&
           BitBlt(from, 0, 0, w, h, save.Dc(), 0, 0, SRCCOPY);
}
