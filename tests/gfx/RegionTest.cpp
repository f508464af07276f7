// Shapes and transparent drawing on small drawn bitmaps, against Wine's real GDI.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

#include "common/Gdi.h"
#include "gfx/Region.h"

namespace {

const COLORREF Magenta = RGB(255, 0, 255), Green = RGB(0, 255, 0), Red = RGB(255, 0, 0), Blue = RGB(0, 0, 255);
const COLORREF Ink = RGB(10, 20, 30), Background = RGB(32, 64, 96);
// 'm' magenta, 'g' green, 'r' red, 'b' blue, 'w' white, 'k' black, anything else ink.
typedef std::vector<std::string> Rows;
const char Letters[] = "mgrbwki";

COLORREF ColourOf(char c)
{
    const COLORREF colours[] = { Magenta, Green, Red, Blue, RGB(255, 255, 255), RGB(0, 0, 0), Ink };
    return colours[strchr(Letters, c) ? strchr(Letters, c) - Letters : 6];
}

// Deleted at the end of the test, after every context declared later has let go of it.
template <class Handle> struct Owned {
    Handle object;
    ~Owned() { DeleteObject(object); }
};

// The screen's format; DIB sections of 8 bits (a palette of the letters' colours) and of 16
// (5-5-5); one bit, black and white.
enum Format { Screen, Palette8, Rgb555, Mono };

// A bitmap of the format, one letter per pixel.
HBITMAP DrawBitmap(const Rows &rows, Format format = Screen)
{
    const int w = (int)rows[0].size(), h = (int)rows.size();
    HBITMAP bitmap = format == Mono ? CreateBitmap(w, h, 1, 1, NULL) : NULL;
    if (format == Screen) {
        HDC screen = GetDC(NULL);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(NULL, screen);
    } else if (format != Mono) {
        struct { BITMAPINFOHEADER header; RGBQUAD colours[256]; } info = {};
        info.header = { sizeof info.header, w, h, 1, (WORD)(format == Palette8 ? 8 : 16), BI_RGB, 0, 0, 0, 0, 0 };
        for (int i = 0; i < 7; i++) {
            const COLORREF c = ColourOf(Letters[i]);
            info.colours[i] = { GetBValue(c), GetGValue(c), GetRValue(c), 0 };
        }
        void *bits;
        bitmap = CreateDIBSection(NULL, (const BITMAPINFO *)&info, DIB_RGB_COLORS, &bits, NULL, 0);
    }
    MemoryDc memory(NULL, bitmap);
    for (size_t y = 0; y < rows.size(); y++)
        for (size_t x = 0; x < rows[y].size(); x++)
            SetPixel(memory.Dc(), (int)x, (int)y, ColourOf(rows[y][x]));
    return bitmap;
}

std::vector<COLORREF> Pixels(HDC dc, int w, int h)
{
    std::vector<COLORREF> pixels;
    for (int i = 0; i < w * h; i++)
        pixels.push_back(GetPixel(dc, i % w, i / w));
    return pixels;
}

TEST(RegionFromBitmap, LeavesOutExactlyTheKeyPixelsAsTheyReadInEveryFormat)
{
    // Runs from 0 and to the right edge, split by one or two key pixels; an all-key row; red and
    // blue, which differ only in the order of their components. The keys are the colours the
    // pictures' pixels read as, one by one.
    const Rows mixed = { "iiiiiiii", "mmmmmmmm", "imiimmii", "gggmmggg", "mgimiggm", "rbrbiirr" };
    const Rows primaries = { "mmgi", "rbmb", "ibbr" }, blackAndWhite = { "kwwk", "kkkk", "wkww" };
    const struct { Rows rows; std::string keys; Format format; } cases[] = {
        { mixed, "mg", Screen }, { mixed, "", Screen }, { mixed, "r", Screen }, { mixed, "bm", Screen },
        { { "mmm", "mmm" }, "m", Screen }, { { "mmmm", "mmmi" }, "m", Screen }, { mixed, "mr", Palette8 },
        { primaries, "m", Rgb555 }, { primaries, "rg", Rgb555 }, { primaries, "i", Rgb555 },
        { blackAndWhite, "k", Mono }, { blackAndWhite, "w", Mono },
    };
    for (const auto &c : cases) {
        Owned<HBITMAP> bitmap = { DrawBitmap(c.rows, c.format) };
        const int w = (int)c.rows[0].size(), h = (int)c.rows.size();
        std::vector<COLORREF> keys;
        {
            MemoryDc read(NULL, bitmap.object);
            for (int i = 0; i < w * h; i++)
                if (c.keys.find(c.rows[i / w][i % w]) != std::string::npos)
                    keys.push_back(GetPixel(read.Dc(), i % w, i / w));
        }
        HRGN region = (HRGN)1;
        const WORD count = (WORD)keys.size();
        ASSERT_TRUE(RegionFromBitmap(GetDesktopWindow(), bitmap.object, count, keys.data(), &region));
        Owned<HRGN> shape = { region };
        for (int y = 0; y <= h; y++) {   // one past the right and bottom edges too
            for (int x = 0; x <= w; x++) {
                const bool inside = x < w && y < h, key = inside && c.keys.find(c.rows[y][x]) != std::string::npos;
                EXPECT_EQ(inside && !key, !!PtInRegion(region, x, y))
                    << x << "," << y << " of " << c.rows[0] << " in format " << c.format << ", keys " << c.keys;
            }
        }
        EXPECT_TRUE(RegionFromBitmap(NULL, bitmap.object, count, keys.data(), NULL));   // built, thrown away
    }
}

TEST(GrownRegionFromDc, GrowsEachRunWithoutGoingBelowZero)
{
    // A corner pixel, and one whose growth passes the picture's right and bottom (not clipped there).
    Owned<HBITMAP> corners = { DrawBitmap({ "immmmmm", "mmmmmmm", "mmmmmmm", "mmmmmmm", "mmmmmmm", "mmmmmim" }) };
    Owned<HRGN> expected = { CreateRectRgn(0, 0, 2, 2) }, other = { CreateRectRgn(4, 4, 7, 7) };
    CombineRgn(expected.object, expected.object, other.object, RGN_OR);
    MemoryDc memory(NULL, corners.object);
    HRGN region = NULL;
    ASSERT_TRUE(GrownRegionFromDc(memory.Dc(), 7, 6, 1, Magenta, &region));
    EXPECT_TRUE(EqualRgn(expected.object, region));
    DeleteObject(region);
    EXPECT_EQ(Magenta, GetPixel(memory.Dc(), 1, 0));   // read, not changed

    // Many short runs (more than one batch of rectangles): the shape of every run grown by itself.
    Rows rows;
    for (int y = 0; y < 24; y++) {
        std::string row;
        for (int x = 0; x < 160; x++)
            row += (x * 7 + y * 3) % 5 < 2 ? 'i' : 'm';   // runs of one and two pixels
        rows.push_back(row);
    }
    Owned<HBITMAP> bitmap = { DrawBitmap(rows) };
    MemoryDc many(NULL, bitmap.object);
    for (int margin = 0; margin <= 3; margin += 3) {
        Owned<HRGN> grown = { CreateRectRgn(0, 0, 0, 0) };
        for (int y = 0; y < 24; y++)
            for (int x = 0; x < 160; x++)
                if (rows[y][x] == 'i') {
                    Owned<HRGN> pixel = { CreateRectRgn(std::max(x - margin, 0), std::max(y - margin, 0),
                                                        x + 1 + margin, y + 1 + margin) };
                    CombineRgn(grown.object, grown.object, pixel.object, RGN_OR);
                }
        ASSERT_TRUE(GrownRegionFromDc(many.Dc(), 160, 24, margin, Magenta, &region));
        EXPECT_TRUE(EqualRgn(grown.object, region)) << "margin " << margin;
        DeleteObject(region);
    }
}

const Rows Picture = { "imgi", "mmii", "igmm" };

// What the 10 x 8 background shows with rows drawn at (x, y), the key letter's pixels left out.
std::vector<COLORREF> Composed(int x, int y, const Rows &rows, char key = 'm')
{
    std::vector<COLORREF> pixels(80, Background);
    for (size_t r = 0; r < rows.size(); r++)
        for (size_t c = 0; c < rows[r].size(); c++)
            if (rows[r][c] != key)
                pixels[(y + r) * 10 + x + c] = ColourOf(rows[r][c]);
    return pixels;
}

TEST(DrawTransparentBitmap, DrawsTheMaskedBitmapOfAnyDepthHonoursTheKeepRectangleAndKeepsTheFirstError)
{
    Owned<HBITMAP> bitmap = { DrawBitmap(Picture) }, target = { DrawBitmap(Rows(8, std::string(10, 'i'))) };
    Owned<HBRUSH> brush = { CreateSolidBrush(Background) };
    MemoryDc destination(NULL, target.object);
    const RECT all = { 0, 0, 10, 8 }, whole = { 0, 0, 4, 3 }, middle = { 1, 1, 3, 2 }, none = { 0, 0, 0, 0 };
    FillRect(destination.Dc(), &all, brush.object);
    const std::vector<COLORREF> original = Pixels(MemoryDc(NULL, bitmap.object).Dc(), 4, 3);
    ASSERT_TRUE(DrawTransparentBitmap(destination.Dc(), 3, 2, bitmap.object, Magenta, &whole));
    EXPECT_EQ(Composed(3, 2, Picture), Pixels(destination.Dc(), 10, 8));
    EXPECT_EQ(original, Pixels(MemoryDc(NULL, bitmap.object).Dc(), 4, 3));   // restored after the masking

    // Outside the keep rectangle the bitmap turns key-coloured for good.
    FillRect(destination.Dc(), &all, brush.object);
    ASSERT_TRUE(DrawTransparentBitmap(destination.Dc(), 3, 2, bitmap.object, Magenta, &middle));
    EXPECT_EQ(Composed(3, 2, { "mmmm", "mmim", "mmmm" }), Pixels(destination.Dc(), 10, 8));
    // An empty keep rectangle keys everything and leaves the destination alone.
    ASSERT_TRUE(DrawTransparentBitmap(destination.Dc(), 0, 0, bitmap.object, Magenta, &none));
    EXPECT_EQ(Composed(3, 2, { "mmmm", "mmim", "mmmm" }), Pixels(destination.Dc(), 10, 8));
    EXPECT_EQ(std::vector<COLORREF>(12, Magenta), Pixels(MemoryDc(NULL, bitmap.object).Dc(), 4, 3));

    // A monochrome bitmap draws as a colour one with the same pixels; black is the key here.
    const Rows blackAndWhite = { "kwwk", "wkkw", "kkww" };
    for (Format format : { Screen, Mono }) {
        Owned<HBITMAP> twoColour = { DrawBitmap(blackAndWhite, format) };
        FillRect(destination.Dc(), &all, brush.object);
        ASSERT_TRUE(DrawTransparentBitmap(destination.Dc(), 3, 2, twoColour.object, RGB(0, 0, 0), NULL)) << format;
        EXPECT_EQ(Composed(3, 2, blackAndWhite, 'k'), Pixels(destination.Dc(), 10, 8)) << "format " << format;
    }

    // A bitmap in use cannot be selected again: both routines fail with the selection's error, not
    // a clean-up's, and leave nothing behind.
    MemoryDc holder(NULL, bitmap.object);
    UINT before = CountGdiObjects();
    HRGN region = (HRGN)1;
    SetLastError(0);
    EXPECT_FALSE(RegionFromBitmap(NULL, bitmap.object, 0, NULL, &region));
    EXPECT_TRUE(GetLastError() == ERROR_INVALID_HANDLE && region == NULL);
    SetLastError(0);
    EXPECT_FALSE(DrawTransparentBitmap(destination.Dc(), 0, 0, bitmap.object, Magenta, NULL));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(before, CountGdiObjects());
}

} // namespace
