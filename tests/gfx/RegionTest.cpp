// Shapes and transparent drawing on small drawn bitmaps, against Wine's real GDI.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/GdiCount.h"
#include "gfx/Region.h"

namespace {

const COLORREF Magenta = RGB(255, 0, 255);
const COLORREF Green = RGB(0, 255, 0);
const COLORREF Ink = RGB(10, 20, 30);
const COLORREF Paper = RGB(200, 180, 40);
const COLORREF Background = RGB(32, 64, 96);

// A colour bitmap drawn from rows of letters: 'm' magenta, 'g' green, 'i' ink, 'p' paper.
HBITMAP DrawBitmap(const std::vector<std::string> &rows)
{
    int h = (int)rows.size();
    int w = h ? (int)rows[0].size() : 0;
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            char c = rows[y][x];
            SetPixel(memory, x, y, c == 'm' ? Magenta : c == 'g' ? Green : c == 'i' ? Ink : Paper);
        }
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return bitmap;
}

std::vector<COLORREF> ReadBitmap(HBITMAP bitmap, int w, int h)
{
    std::vector<COLORREF> pixels;
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteDC(memory);
    return pixels;
}

::testing::AssertionResult RegionIs(HRGN region, int l, int t, int r, int b)
{
    HRGN expected = CreateRectRgn(l, t, r, b);
    BOOL same = EqualRgn(region, expected);
    DeleteObject(expected);
    if (same)
        return ::testing::AssertionSuccess();
    RECT box;
    GetRgnBox(region, &box);
    return ::testing::AssertionFailure() << "region with box (" << box.left << "," << box.top << ","
        << box.right << "," << box.bottom << ") instead of (" << l << "," << t << "," << r << "," << b << ")";
}

bool IsEmpty(HRGN region)
{
    RECT box;
    return GetRgnBox(region, &box) == NULLREGION;
}

// Runs that start at 0, reach the right edge, are split by one or two key pixels, and rows with
// nothing opaque at all.
const std::vector<std::string> Pattern = {
    "iiiiiiii",
    "mmmmmmmm",
    "imiimmip",
    "gggmmggg",
    "mgimpggm",
    "pppppppg",
};

TEST(RegionFromBitmap, LeavesOutExactlyTheKeyPixels)
{
    HBITMAP bitmap = DrawBitmap(Pattern);
    const COLORREF keys[] = { Magenta, Green };
    HRGN region = (HRGN)1;
    ASSERT_TRUE(RegionFromBitmap(GetDesktopWindow(), bitmap, 2, keys, &region));
    ASSERT_TRUE(region != NULL);
    for (int y = 0; y < 6; y++) {
        for (int x = 0; x < 8; x++) {
            char c = Pattern[y][x];
            EXPECT_EQ(c == 'i' || c == 'p', !!PtInRegion(region, x, y)) << "pixel " << x << "," << y;
        }
    }
    EXPECT_FALSE(PtInRegion(region, 8, 0));   // nothing beyond the right edge

    // The order of the keys changes nothing; one key alone leaves the other colour opaque.
    const COLORREF swapped[] = { Green, Magenta };
    HRGN again = NULL;
    ASSERT_TRUE(RegionFromBitmap(NULL, bitmap, 2, swapped, &again));
    EXPECT_TRUE(EqualRgn(region, again));
    DeleteObject(again);
    ASSERT_TRUE(RegionFromBitmap(NULL, bitmap, 1, keys, &again));
    EXPECT_TRUE(PtInRegion(again, 0, 3));
    EXPECT_FALSE(PtInRegion(again, 3, 3));
    DeleteObject(again);

    // Without an out region the shape is only checked.
    EXPECT_TRUE(RegionFromBitmap(NULL, bitmap, 2, keys, NULL));
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(RegionFromBitmap, AllKeyNoKeyAndSinglePixel)
{
    const COLORREF key = Magenta;
    HRGN region = NULL;

    HBITMAP allKey = DrawBitmap({ "mmm", "mmm" });
    ASSERT_TRUE(RegionFromBitmap(NULL, allKey, 1, &key, &region));
    ASSERT_TRUE(region != NULL);
    EXPECT_TRUE(IsEmpty(region));
    DeleteObject(region);

    // A count of 0 makes every pixel opaque, key-coloured or not.
    ASSERT_TRUE(RegionFromBitmap(NULL, allKey, 0, &key, &region));
    EXPECT_TRUE(RegionIs(region, 0, 0, 3, 2));
    DeleteObject(region);
    DeleteObject(allKey);

    HBITMAP single = DrawBitmap({ "mmmm", "mmmm", "mmmi" });
    ASSERT_TRUE(RegionFromBitmap(NULL, single, 1, &key, &region));
    EXPECT_TRUE(RegionIs(region, 3, 2, 4, 3));
    DeleteObject(region);
    DeleteObject(single);
}

TEST(RegionFromBitmap, FailsCleanlyOnABitmapItCannotUse)
{
    HBITMAP gone = DrawBitmap({ "ii" });
    DeleteObject(gone);
    UINT before = CountGdiObjects();
    HRGN region = (HRGN)1;
    EXPECT_FALSE(RegionFromBitmap(NULL, gone, 0, NULL, &region));
    EXPECT_TRUE(region == NULL);

    // A bitmap selected into another context cannot be selected again.
    HBITMAP busy = DrawBitmap({ "ii" });
    HDC holder = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(holder, busy);
    region = (HRGN)1;
    SetLastError(0);
    EXPECT_FALSE(RegionFromBitmap(NULL, busy, 0, NULL, &region));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());   // the selection's, not a clean-up's
    EXPECT_TRUE(region == NULL);
    SelectObject(holder, old);

    // A reference window that does not exist gives no context to scan with.
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DestroyWindow(window);
    SetLastError(0);
    EXPECT_FALSE(RegionFromBitmap(window, busy, 0, NULL, &region));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    DeleteDC(holder);
    DeleteObject(busy);
    EXPECT_EQ(before, CountGdiObjects());
}

TEST(IsKeyColour, MatchesWholeValuesOnly)
{
    const COLORREF keys[] = { Magenta, Green };
    EXPECT_TRUE(IsKeyColour(Green, 2, keys));
    EXPECT_FALSE(IsKeyColour(Green, 1, keys));
    EXPECT_FALSE(IsKeyColour(RGB(254, 0, 255), 2, keys));
    EXPECT_FALSE(IsKeyColour(Magenta | 0x01000000, 2, keys));
    EXPECT_FALSE(IsKeyColour(Magenta, 0, keys));
}

TEST(GrownRegionFromDc, GrowsRunsWithoutGoingBelowZero)
{
    HBITMAP bitmap = DrawBitmap({
        "immmmmm",
        "mmmmmmm",
        "mmmmmmm",
        "mmmmmmm",
        "mmmmmmm",
        "mmmmmim",
    });
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, bitmap);

    HRGN region = NULL;
    ASSERT_TRUE(GrownRegionFromDc(memory, 4, 4, 1, Magenta, &region));
    EXPECT_TRUE(RegionIs(region, 0, 0, 2, 2));
    DeleteObject(region);

    // Over the whole picture: the corner pixel and the one at (5, 5), each grown by 1.
    HRGN both = NULL;
    ASSERT_TRUE(GrownRegionFromDc(memory, 7, 6, 1, Magenta, &both));
    HRGN corner = CreateRectRgn(0, 0, 2, 2);
    HRGN inner = CreateRectRgn(4, 4, 7, 7);
    HRGN expected = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(expected, corner, inner, RGN_OR);
    EXPECT_TRUE(EqualRgn(both, expected));
    DeleteObject(corner);
    DeleteObject(inner);
    DeleteObject(expected);
    DeleteObject(both);

    // Margin 0: the same shape as the bitmap's own.
    ASSERT_TRUE(GrownRegionFromDc(memory, 7, 6, 0, Magenta, &region));
    EXPECT_FALSE(PtInRegion(region, 1, 0));
    EXPECT_TRUE(PtInRegion(region, 5, 5));
    DeleteObject(region);

    // A negative margin is refused; a zero-sized scan area is an empty shape.
    region = (HRGN)1;
    EXPECT_FALSE(GrownRegionFromDc(memory, 7, 6, -1, Magenta, &region));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_TRUE(region == NULL);
    ASSERT_TRUE(GrownRegionFromDc(memory, 7, 0, 2, Magenta, &region));
    EXPECT_TRUE(IsEmpty(region));
    DeleteObject(region);

    // The picture is read, not changed.
    EXPECT_EQ(Ink, GetPixel(memory, 0, 0));
    EXPECT_EQ(Magenta, GetPixel(memory, 1, 0));
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

// A destination of 10 x 8 in the background colour, with the composed result read back.
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
    // Checks every destination pixel against the bitmap drawn at (x, y) over the background, where
    // "shown" says which bitmap pixels were drawn.
    void ExpectComposed(int x, int y, const std::vector<std::string> &shown)
    {
        int h = (int)shown.size(), w = (int)shown[0].size();
        for (int dy = 0; dy < 8; dy++) {
            for (int dx = 0; dx < 10; dx++) {
                COLORREF expected = Background;
                int bx = dx - x, by = dy - y;
                if (bx >= 0 && by >= 0 && bx < w && by < h) {
                    char c = shown[by][bx];
                    if (c == 'i') expected = Ink;
                    if (c == 'p') expected = Paper;
                    if (c == 'g') expected = Green;
                }
                EXPECT_EQ(expected, GetPixel(destination, dx, dy)) << "at " << dx << "," << dy;
            }
        }
    }
    std::vector<COLORREF> ReadDestination()
    {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 10; x++)
                pixels.push_back(GetPixel(destination, x, y));
        return pixels;
    }
    HBITMAP target;
    HDC destination;
    HGDIOBJ old;
};

const std::vector<std::string> Picture = {
    "imgp",
    "mmii",
    "pgmm",
};

TEST_F(Composition, DrawsTheMaskedBitmapAndRestoresIt)
{
    HBITMAP bitmap = DrawBitmap(Picture);
    std::vector<COLORREF> before = ReadBitmap(bitmap, 4, 3);
    ASSERT_TRUE(DrawTransparentBitmap(destination, 3, 2, bitmap, Magenta, NULL));
    ExpectComposed(3, 2, Picture);
    EXPECT_EQ(before, ReadBitmap(bitmap, 4, 3));

    // A keep rectangle covering the whole bitmap (or more) changes nothing.
    RECT whole = { 0, 0, 4, 3 };
    ASSERT_TRUE(DrawTransparentBitmap(destination, 3, 2, bitmap, Magenta, &whole));
    EXPECT_EQ(before, ReadBitmap(bitmap, 4, 3));
    RECT beyond = { -5, -5, 9, 9 };
    ASSERT_TRUE(DrawTransparentBitmap(destination, 3, 2, bitmap, Magenta, &beyond));
    EXPECT_EQ(before, ReadBitmap(bitmap, 4, 3));
    ExpectComposed(3, 2, Picture);

    // Partly off the destination: what falls inside is drawn.
    ASSERT_TRUE(DrawTransparentBitmap(destination, -1, -1, bitmap, Magenta, NULL));
    EXPECT_EQ(Ink, GetPixel(destination, 1, 0));   // bitmap (2, 1)
    DeleteObject(bitmap);
}

TEST_F(Composition, KeepRectangleKeysTheBandsOutsideForGood)
{
    HBITMAP bitmap = DrawBitmap(Picture);
    RECT middle = { 1, 1, 3, 2 };
    ASSERT_TRUE(DrawTransparentBitmap(destination, 0, 0, bitmap, Magenta, &middle));
    ExpectComposed(0, 0, { "mmmm", "mmim", "mmmm" });
    std::vector<COLORREF> after = ReadBitmap(bitmap, 4, 3);
    for (int i = 0; i < 12; i++) {
        if (i != 5 && i != 6) {
            EXPECT_EQ(Magenta, after[i]) << "pixel " << i;
        }
    }
    EXPECT_EQ(Magenta, after[5]);
    EXPECT_EQ(Ink, after[6]);
    DeleteObject(bitmap);

    // An empty keep rectangle at the origin: the bitmap turns all key, the destination stays.
    bitmap = DrawBitmap(Picture);
    RECT none = { 0, 0, 0, 0 };
    std::vector<COLORREF> before = ReadDestination();
    ASSERT_TRUE(DrawTransparentBitmap(destination, 0, 0, bitmap, Magenta, &none));
    EXPECT_EQ(before, ReadDestination());
    EXPECT_EQ(std::vector<COLORREF>(12, Magenta), ReadBitmap(bitmap, 4, 3));
    DeleteObject(bitmap);
}

TEST_F(Composition, RefusesABitmapInUseWithoutTouchingTheDestination)
{
    HBITMAP bitmap = DrawBitmap(Picture);
    HDC holder = CreateCompatibleDC(NULL);
    HGDIOBJ held = SelectObject(holder, bitmap);
    UINT before = CountGdiObjects();
    SetLastError(0);
    RECT keep = { 1, 1, 2, 2 };
    EXPECT_FALSE(DrawTransparentBitmap(destination, 0, 0, bitmap, Magenta, &keep));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(before, CountGdiObjects());
    ExpectComposed(0, 0, { "m" });
    SelectObject(holder, held);
    DeleteDC(holder);
    DeleteObject(bitmap);
}

TEST_F(Composition, RepeatedUseLosesNoGdiObject)
{
    HBITMAP bitmap = DrawBitmap(Pattern);
    const COLORREF keys[] = { Magenta, Green };
    RECT keep = { 0, 0, 8, 6 };
    HDC memory = CreateCompatibleDC(NULL);
    auto once = [&]() {
        HRGN region = NULL;
        RegionFromBitmap(GetDesktopWindow(), bitmap, 2, keys, &region);
        DeleteObject(region);
        RegionFromBitmap(GetDesktopWindow(), bitmap, 2, keys, NULL);
        DrawTransparentBitmap(destination, 1, 1, bitmap, Magenta, &keep);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        GrownRegionFromDc(memory, 8, 6, 2, Magenta, NULL);
        SelectObject(memory, previous);
    };
    once();
    UINT before = CountGdiObjects();
    for (int i = 0; i < 1000; i++)
        once();
    EXPECT_EQ(before, CountGdiObjects());
    DeleteDC(memory);
    DeleteObject(bitmap);
}

} // namespace
