// Shapes and transparent drawing on small drawn bitmaps, against Wine's real GDI.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/GdiCount.h"
#include "gfx/Region.h"

namespace {

const COLORREF Magenta = RGB(255, 0, 255), Green = RGB(0, 255, 0), Ink = RGB(10, 20, 30);
const COLORREF Background = RGB(32, 64, 96);
typedef std::vector<std::string> Rows;   // 'm' magenta, 'g' green, anything else ink

COLORREF ColourOf(char c) { return c == 'm' ? Magenta : c == 'g' ? Green : Ink; }

HBITMAP DrawBitmap(const Rows &rows)
{
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, (int)rows[0].size(), (int)rows.size());
    ReleaseDC(NULL, screen);
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (size_t y = 0; y < rows.size(); y++)
        for (size_t x = 0; x < rows[y].size(); x++)
            SetPixel(memory, (int)x, (int)y, ColourOf(rows[y][x]));
    SelectObject(memory, old);
    DeleteDC(memory);
    return bitmap;
}

std::vector<COLORREF> Pixels(HDC dc, int w, int h)
{
    std::vector<COLORREF> pixels;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            pixels.push_back(GetPixel(dc, x, y));
    return pixels;
}

std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int w, int h)
{
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, bitmap);
    std::vector<COLORREF> pixels = Pixels(memory, w, h);
    SelectObject(memory, old);
    DeleteDC(memory);
    return pixels;
}

bool RegionIs(HRGN region, int l, int t, int r, int b)
{
    HRGN expected = CreateRectRgn(l, t, r, b);
    bool same = EqualRgn(region, expected) != FALSE;
    DeleteObject(expected);
    return same;
}

TEST(RegionFromBitmap, LeavesOutExactlyTheKeyPixels)
{
    // Runs from 0 and to the right edge, split by one or two key pixels; an all-key row.
    const Rows pattern = { "iiiiiiii", "mmmmmmmm", "imiimmii", "gggmmggg", "mgimiggm" };
    HBITMAP bitmap = DrawBitmap(pattern);
    const COLORREF keys[] = { Magenta, Green }, swapped[] = { Green, Magenta };
    HRGN region = (HRGN)1, again = NULL;
    ASSERT_TRUE(RegionFromBitmap(GetDesktopWindow(), bitmap, 2, keys, &region));
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 9; x++)
            EXPECT_EQ(x < 8 && pattern[y][x] == 'i', !!PtInRegion(region, x, y)) << x << "," << y;
    ASSERT_TRUE(RegionFromBitmap(NULL, bitmap, 2, swapped, &again));
    EXPECT_TRUE(EqualRgn(region, again));
    DeleteObject(again);
    EXPECT_TRUE(RegionFromBitmap(NULL, bitmap, 2, keys, NULL));   // built and thrown away
    // No keys: everything opaque.
    ASSERT_TRUE(RegionFromBitmap(NULL, bitmap, 0, keys, &again));
    EXPECT_TRUE(RegionIs(again, 0, 0, 8, 5));
    DeleteObject(again);
    DeleteObject(region);
    DeleteObject(bitmap);

    HBITMAP allKey = DrawBitmap({ "mmm", "mmm" });
    ASSERT_TRUE(RegionFromBitmap(NULL, allKey, 1, keys, &region));
    RECT box;
    EXPECT_EQ(NULLREGION, GetRgnBox(region, &box));
    DeleteObject(region);
    DeleteObject(allKey);
    HBITMAP single = DrawBitmap({ "mmmm", "mmmi" });
    ASSERT_TRUE(RegionFromBitmap(NULL, single, 1, keys, &region));
    EXPECT_TRUE(RegionIs(region, 3, 1, 4, 2));
    DeleteObject(region);
    DeleteObject(single);
}

TEST(GrownRegionFromDc, GrowsEachRunWithoutGoingBelowZero)
{
    HBITMAP bitmap = DrawBitmap({ "immmmmm", "mmmmmmm", "mmmmmmm", "mmmmmmm", "mmmmmmm", "mmmmmim" });
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HRGN region = NULL;
    ASSERT_TRUE(GrownRegionFromDc(memory, 4, 4, 1, Magenta, &region));
    EXPECT_TRUE(RegionIs(region, 0, 0, 2, 2));
    DeleteObject(region);
    ASSERT_TRUE(GrownRegionFromDc(memory, 7, 6, 1, Magenta, &region));
    HRGN corner = CreateRectRgn(0, 0, 2, 2);
    EXPECT_EQ(SIMPLEREGION, CombineRgn(corner, region, corner, RGN_DIFF));
    EXPECT_TRUE(RegionIs(corner, 4, 4, 7, 7));   // the pixel at (5, 5), not clipped to the picture
    DeleteObject(corner);
    DeleteObject(region);
    EXPECT_EQ(Magenta, GetPixel(memory, 1, 0));   // read, not changed
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

class Composition : public ::testing::Test {
protected:
    void SetUp() override
    {
        HDC screen = GetDC(NULL);
        target = CreateCompatibleBitmap(screen, 10, 8);
        ReleaseDC(NULL, screen);
        destination = CreateCompatibleDC(NULL);
        old = SelectObject(destination, target);
        HBRUSH brush = CreateSolidBrush(Background);
        RECT all = { 0, 0, 10, 8 };
        FillRect(destination, &all, brush);
        DeleteObject(brush);
    }
    void TearDown() override
    {
        SelectObject(destination, old);
        DeleteDC(destination);
        DeleteObject(target);
    }
    // The destination should show "shown" at (x, y) over the background, key pixels left out.
    void ExpectComposed(int x, int y, const Rows &shown)
    {
        std::vector<COLORREF> actual = Pixels(destination, 10, 8);
        for (int dy = 0; dy < 8; dy++) {
            for (int dx = 0; dx < 10; dx++) {
                int bx = dx - x, by = dy - y;
                char c = bx >= 0 && by >= 0 && by < (int)shown.size() && bx < (int)shown[0].size()
                    ? shown[by][bx] : 'm';
                EXPECT_EQ(c == 'm' ? Background : ColourOf(c), actual[dy * 10 + dx]) << dx << "," << dy;
            }
        }
    }
    HBITMAP target;
    HDC destination;
    HGDIOBJ old;
};

const Rows Picture = { "imgi", "mmii", "igmm" };

TEST_F(Composition, DrawsTheMaskedBitmapAndHonoursTheKeepRectangle)
{
    HBITMAP bitmap = DrawBitmap(Picture);
    std::vector<COLORREF> original = BitmapPixels(bitmap, 4, 3);
    RECT whole = { 0, 0, 4, 3 }, middle = { 1, 1, 3, 2 }, none = { 0, 0, 0, 0 };
    ASSERT_TRUE(DrawTransparentBitmap(destination, 3, 2, bitmap, Magenta, &whole));
    ExpectComposed(3, 2, Picture);
    EXPECT_EQ(original, BitmapPixels(bitmap, 4, 3));   // restored after the masking

    // Outside the keep rectangle the bitmap turns key-coloured for good.
    ASSERT_TRUE(DrawTransparentBitmap(destination, 3, 2, bitmap, Magenta, &middle));
    ExpectComposed(3, 2, Picture);
    HBITMAP kept = DrawBitmap({ "mmmm", "mmim", "mmmm" });
    EXPECT_EQ(BitmapPixels(kept, 4, 3), BitmapPixels(bitmap, 4, 3));
    DeleteObject(kept);

    // An empty keep rectangle keys everything and leaves the destination alone.
    std::vector<COLORREF> before = Pixels(destination, 10, 8);
    ASSERT_TRUE(DrawTransparentBitmap(destination, 0, 0, bitmap, Magenta, &none));
    EXPECT_EQ(before, Pixels(destination, 10, 8));
    EXPECT_EQ(std::vector<COLORREF>(12, Magenta), BitmapPixels(bitmap, 4, 3));
    DeleteObject(bitmap);
}

TEST_F(Composition, FailuresKeepTheirErrorAndEveryRoutineLosesNoObject)
{
    HBITMAP bitmap = DrawBitmap(Picture);
    HDC holder = CreateCompatibleDC(NULL);
    HGDIOBJ held = SelectObject(holder, bitmap);   // a bitmap in use cannot be selected again
    UINT before = CountGdiObjects();
    HRGN region = (HRGN)1;
    SetLastError(0);
    EXPECT_FALSE(RegionFromBitmap(NULL, bitmap, 0, NULL, &region));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());   // the selection's, not a clean-up's
    EXPECT_TRUE(region == NULL);
    SetLastError(0);
    EXPECT_FALSE(DrawTransparentBitmap(destination, 0, 0, bitmap, Magenta, NULL));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(before, CountGdiObjects());
    SelectObject(holder, held);

    const COLORREF keys[] = { Magenta, Green };
    RECT keep = { 0, 0, 3, 2 };
    auto once = [&]() {
        RegionFromBitmap(GetDesktopWindow(), bitmap, 2, keys, &region);
        DeleteObject(region);
        DrawTransparentBitmap(destination, 1, 1, bitmap, Magenta, &keep);
        HGDIOBJ previous = SelectObject(holder, bitmap);
        GrownRegionFromDc(holder, 4, 3, 2, Magenta, NULL);
        SelectObject(holder, previous);
    };
    once();
    before = CountGdiObjects();
    for (int i = 0; i < 1000; i++)
        once();
    EXPECT_EQ(before, CountGdiObjects());
    DeleteDC(holder);
    DeleteObject(bitmap);
}

} // namespace
