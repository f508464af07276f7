// The indicator picture, composed by the real code with real GDI from a synthetic skin whose every
// layer has its own colour: what shows where, for each percentage, state, mode and minute count.
#include <gtest/gtest.h>
#include <string>

#include "app/AppState.h"
#include "common/GdiCount.h"
#include "indicator/IndicatorSkin.h"
#include "indicator/TestSkin.h"

namespace {

using namespace testskin;

const std::string Folder = FreshFolder("kestrel-composition");

// A picture composed into a screen-compatible bitmap, read back pixel by pixel.
class Picture {
public:
    Picture(const IndicatorSkin &skin, BOOL horizontal, UINT percent, int state, UINT minutes,
            HBRUSH background = NULL)
    {
        HDC screen = GetDC(NULL);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, 100, 100);
        ReleaseDC(NULL, screen);
        old = SelectObject(dc, bitmap);
        RECT all = { 0, 0, 100, 100 };
        FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
        drawn = skin.Draw(dc, horizontal, percent, (PowerState)state, minutes, NULL, background);
    }
    ~Picture()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    COLORREF At(POINT p, int dx = 0, int dy = 0) const { return GetPixel(dc, p.x + dx, p.y + dy); }
    // The digit shown in counter cell k, -1 for a blank (the body shows), -2 for anything else.
    int Digit(BOOL horizontal, int k) const
    {
        COLORREF c = horizontal ? At(DigitsH, k * 9 + 4, 4) : At(DigitsV, 4, k * 10 + 5);
        if (c == BodyColour)
            return -1;
        for (int d = 0; d < 10; d++)
            if (c == Glyph(d))
                return d;
        return -2;
    }
    std::string Counter(BOOL horizontal) const
    {
        std::string text;
        for (int k = 0; k < 3; k++) {
            int d = Digit(horizontal, k);
            text += d == -1 ? ' ' : d >= 0 ? (char)('0' + d) : '?';
        }
        return text;
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    BOOL drawn;
};

class Composition : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(WriteSkin(Folder, 1));
    }
    void SetUp() override
    {
        UseFolder(Folder);
    }
    // The columns of a horizontal gauge row (y) that show the gauge.
    static int GaugeColumns(const Picture &p)
    {
        int n = 0;
        for (int x = 0; x < 41; x++)
            n += p.At(GaugeH, x, 4) == GaugeColour;
        return n;
    }
};

TEST_F(Composition, SizeShapeAndRefusals)
{
    IndicatorSkin skin(GetModuleHandleA(NULL));
    int w, h;
    HRGN region;
    EXPECT_FALSE(skin.CopyRegion(TRUE, &region));
    EXPECT_FALSE(Picture(skin, TRUE, 50, OnAc, 0).drawn);

    ASSERT_TRUE(skin.Load(1, 3));
    ASSERT_TRUE(skin.GetSize(TRUE, &w, &h));
    EXPECT_TRUE(w == 80 && h == 24);
    ASSERT_TRUE(skin.GetSize(FALSE, &w, &h));
    EXPECT_TRUE(w == 24 && h == 80);

    // The shape is the body without its key-coloured corners, and each copy is the caller's own.
    ASSERT_TRUE(skin.CopyRegion(TRUE, &region));
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_TRUE(box.left == 0 && box.top == 0 && box.right == 80 && box.bottom == 24);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, 79, 0));
    EXPECT_TRUE(PtInRegion(region, 1, 0) && PtInRegion(region, 0, 1) && PtInRegion(region, 79, 23));
    DeleteObject(region);
    ASSERT_TRUE(skin.CopyRegion(FALSE, &region));
    EXPECT_FALSE(PtInRegion(region, 23, 0));
    EXPECT_TRUE(PtInRegion(region, 23, 79));
    DeleteObject(region);
    skin.Release();

    // No skin file at all: loaded, but nothing to see.
    IndicatorSkin missing(GetModuleHandleA(NULL));
    ASSERT_TRUE(missing.Load(77, 3));
    ASSERT_TRUE(missing.GetSize(TRUE, &w, &h));
    EXPECT_TRUE(w == 0 && h == 0);
    ASSERT_TRUE(missing.CopyRegion(FALSE, &region));
    EXPECT_EQ(NULLREGION, GetRgnBox(region, &box));
    DeleteObject(region);
    Picture nothing(missing, TRUE, 50, OnBattery, 75);
    EXPECT_TRUE(nothing.drawn);
    EXPECT_EQ(RGB(0, 0, 0), nothing.At(5, 5));
    missing.Release();
}

TEST_F(Composition, TheGaugeShowsThePercentage)
{
    IndicatorSkin skin(GetModuleHandleA(NULL));
    ASSERT_TRUE(skin.Load(1, 0));
    // 41 x 50 / 100 = 20.5: the 20 leftmost columns.
    Picture half(skin, TRUE, 50, OnBattery, 0);
    ASSERT_TRUE(half.drawn);
    EXPECT_EQ(20, GaugeColumns(half));
    EXPECT_EQ(GaugeColour, half.At(GaugeH, 19, 4));
    EXPECT_EQ(BodyColour, half.At(GaugeH, 20, 4));
    EXPECT_EQ(0, GaugeColumns(Picture(skin, TRUE, 0, OnBattery, 0)));
    // The stored gauge was cut on a copy: a full gauge after a half one shows every column.
    EXPECT_EQ(41, GaugeColumns(Picture(skin, TRUE, 100, OnBattery, 0)));
    EXPECT_EQ(41, GaugeColumns(Picture(skin, TRUE, 250, OnBattery, 0)));
    EXPECT_EQ(41, GaugeColumns(Picture(skin, TRUE, 0xFFFFFFFF, OnBattery, 0)));

    // Vertical, 30 rows at 25 %: 7 rows from the bottom, rows 23 to 29.
    Picture quarter(skin, FALSE, 25, OnBattery, 0);
    for (int y = 0; y < 30; y++)
        EXPECT_EQ(y >= 23 ? GaugeColour : BodyColour, quarter.At(GaugeV, 4, y)) << "row " << y;
    // Untouched body elsewhere, key corners copied as they are (the window's shape hides them).
    EXPECT_EQ(Key, quarter.At(0, 0));
    EXPECT_EQ(BodyColour, quarter.At(20, 70));

    // With a background brush the key pixels show the brush instead.
    HBRUSH teal = CreateSolidBrush(RGB(0, 128, 128));
    Picture backed(skin, FALSE, 25, OnBattery, 0, teal);
    EXPECT_EQ(RGB(0, 128, 128), backed.At(0, 0));
    EXPECT_EQ(BodyColour, backed.At(1, 0));
    DeleteObject(teal);
    skin.Release();
}

TEST_F(Composition, TheMarkFollowsTheStateInTheModesThatShowIt)
{
    for (DWORD mode = 0; mode < 4; mode++) {
        IndicatorSkin skin(GetModuleHandleA(NULL));
        ASSERT_TRUE(skin.Load(1, mode));
        const BOOL marks = (mode & 1) != 0;
        const struct { int state; COLORREF mark; } states[] = {
            { OnAc, AcMark }, { OnAcCharging, ChargingMark }, { OnBattery, BatteryMark }, { 3, BatteryMark },
            { 7, BatteryMark },
        };
        for (const auto &s : states) {
            EXPECT_EQ(marks ? s.mark : BodyColour, Picture(skin, TRUE, 100, s.state, 0).At(MarkH, 3, 3))
                << "mode " << mode << " state " << s.state;
            EXPECT_EQ(marks ? s.mark : BodyColour, Picture(skin, FALSE, 100, s.state, 0).At(MarkV, 3, 3))
                << "mode " << mode << " state " << s.state;
        }
        // An unreadable status: body, no gauge, the battery mark where marks show, no counter.
        Picture unknown(skin, TRUE, 0, OnBattery, 0);
        EXPECT_EQ(BodyColour, unknown.At(GaugeH, 0, 4));
        EXPECT_EQ(marks ? BatteryMark : BodyColour, unknown.At(MarkH, 3, 3));
        EXPECT_EQ("   ", unknown.Counter(TRUE));
        skin.Release();
    }
}

TEST_F(Composition, TheMinutesCounterAndItsLabel)
{
    IndicatorSkin skin(GetModuleHandleA(NULL));
    ASSERT_TRUE(skin.Load(1, 3));
    const struct { UINT minutes; const char *shown; } cases[] = {
        { 75, " 75" }, { 5, "  5" }, { 240, "240" }, { 1000, "999" }, { 999, "999" },
        { 0xFFFFFFFF, "999" }, { 0x80000000u, "999" }, { 100, "100" }, { 10, " 10" },
    };
    for (const auto &c : cases) {
        Picture p(skin, TRUE, 100, OnBattery, c.minutes);
        EXPECT_EQ(c.shown, p.Counter(TRUE)) << c.minutes;
        EXPECT_EQ(LabelColour, p.At(LabelH, 4, 4)) << c.minutes;
    }
    // Vertical: the most significant cell at the bottom, so 75 reads 5, 7, blank from the top.
    Picture vertical(skin, FALSE, 100, OnBattery, 75);
    EXPECT_EQ("57 ", vertical.Counter(FALSE));
    EXPECT_EQ(LabelColour, vertical.At(LabelV, 4, 4));

    // A 95-pixel strip has 9-pixel cells: its last 5 columns never show.
    Picture nines(skin, TRUE, 100, OnBattery, 999);
    for (int x = 0; x < 27; x++)
        EXPECT_EQ(Glyph(9), nines.At(DigitsH, x, 4)) << x;
    EXPECT_EQ(BodyColour, nines.At(DigitsH, 27, 4));

    // 0 minutes: neither digits nor label.
    Picture none(skin, TRUE, 100, OnAc, 0);
    EXPECT_EQ("   ", none.Counter(TRUE));
    EXPECT_EQ(BodyColour, none.At(LabelH, 4, 4));
    skin.Release();

    // The modes without the time read no strip: 90 minutes draw nothing.
    for (DWORD mode : { 0u, 1u }) {
        IndicatorSkin markOnly(GetModuleHandleA(NULL));
        ASSERT_TRUE(markOnly.Load(1, mode));
        Picture p(markOnly, TRUE, 100, OnBattery, 90);
        EXPECT_EQ("   ", p.Counter(TRUE)) << mode;
        EXPECT_EQ(BodyColour, p.At(LabelH, 4, 4)) << mode;
        markOnly.Release();
    }
}

TEST_F(Composition, NothingLostOverAThousandDrawsAndAHundredLoads)
{
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 100);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    IndicatorSkin warm(GetModuleHandleA(NULL));
    ASSERT_TRUE(warm.Load(1, 3));
    POINT origin = { 3, 4 };
    ASSERT_TRUE(warm.Draw(dc, TRUE, 50, OnBattery, 75, &origin, NULL));
    warm.Release();

    UINT before = CountGdiObjects();
    for (int i = 0; i < 100; i++) {
        IndicatorSkin skin(GetModuleHandleA(NULL));
        ASSERT_TRUE(skin.Load(1, (DWORD)i % 4));
        for (int j = 0; j < 10; j++)
            ASSERT_TRUE(skin.Draw(dc, (i + j) % 2, (UINT)(i + j) % 120, (PowerState)(j % 3), (UINT)(i * 17 + j),
                                  &origin, NULL));
        HRGN region;
        ASSERT_TRUE(skin.CopyRegion(i % 2, &region));
        DeleteObject(region);
        skin.Release();
    }
    EXPECT_EQ(before, CountGdiObjects());
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

} // namespace
