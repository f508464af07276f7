// The gauge's layout arithmetic on plain numbers, then its shapes against Wine's real GDI. Where
// the popup shows, its shape on screen and that it never takes the foreground the brightness-key
// scenarios see; what a day of gauges leaves behind, the soak.
#include <gtest/gtest.h>

#include <string>

#include "common/Gdi.h"
#include "osd/BrightnessOsd.h"
#include "osd/LevelGauge.h"
#include "res/resource.h"

namespace {

GaugeMeasures Measures(UINT w, UINT h, UINT n, UINT titleWidth)
{
    GaugeMeasures m = { w, h, n, 8, 5, titleWidth, 60, 64 };
    return m;
}

TEST(GaugeLayout, TheWorkedExampleTwoLevelsALongTitleAndWhatCannotFit)
{
    GaugePlan p;
    ASSERT_TRUE(PlanGauge(Measures(1024, 768, 8, 155), &p));
    EXPECT_TRUE(p.unit == 96 && p.titleHeight == 64 && p.width == 768 && p.height == 160 && p.x == 128 && p.y == 512);
    EXPECT_TRUE(p.left == 67 && p.step == 37 && p.titleX == 104 && p.iconX == 3);   // L: 65 and half of 5
    // Segment i spans 104 + 74i to 141 + 74i across and the level row, 64 to 160, down.
    const RECT first = GaugeSegmentBox(p, 0), last = GaugeSegmentBox(p, 7);
    EXPECT_TRUE(first.left == 104 && first.right == 141 && first.top == 64 && first.bottom == 160);
    EXPECT_TRUE(last.left == 622 && last.right == 659 && last.top == 64 && last.bottom == 160);
    // Unlit marks: two fifths in (the worked example), a third in, or only in height.
    const struct { UINT w, h, margin, x, y; } insets[] = {
        { 37, 96, 5, 14, 38 }, { 30, 96, 5, 10, 32 }, { 20, 30, 5, 6, 10 }, { 17, 30, 5, 0, 12 }, { 12, 6, 5, 0, 2 },
        { 12, 3, 5, 0, 1 },
    };
    for (const auto &i : insets) {
        UINT x = 99, y = 99;
        GaugeUnlitInsets(i.w, i.h, i.margin, &x, &y);
        EXPECT_TRUE(x == i.x && y == i.y) << i.w << " x " << i.h << ": " << x << ", " << y;
    }
    // Two levels leave half the screen free, not all of it.
    ASSERT_TRUE(PlanGauge(Measures(1024, 768, 2, 155), &p));
    EXPECT_TRUE(p.width == 512 && p.x == 256);
    // The title fits the gauge, but not from the first segment on: it follows the icon.
    ASSERT_TRUE(PlanGauge(Measures(1024, 768, 8, 680), &p));
    EXPECT_TRUE(p.width == 768 && p.titleX == 64 && p.iconX == 0);

    GaugeMeasures noDivisor = Measures(1024, 768, 8, 155);
    noDivisor.heightDivisor = 0;
    // Found by the fuzzer: sums that wrapped in 32 bits passed for a fitting gauge.
    const GaugeMeasures refused[] = {
        Measures(1024, 768, 200, 155), Measures(1024, 768, 5000, 155), Measures(1024, 768, 8, 1000),
        Measures(1024, 768, 0, 155), noDivisor, { 4294966272u, 4294966527u, 67436785, 50331648, 524288, 0, 1, 0 },
        { 1920, 1080, 8, 8, 0x80000000u, 155, 60, 64 }, { 1920, 1080, 8, 8, 0xFFFFFF00u, 155, 60, 64 },
    };
    for (const GaugeMeasures &m : refused)
        EXPECT_FALSE(PlanGauge(m, &p)) << m.levelCount << " levels, title " << m.titleWidth << ", margin " << m.margin;
}

// The display's style, with the texts the display loads, and a shadow that shows apart from the
// outline when a test asks for one.
GaugeStyle Style(UINT n, COLORREF shadow = RGB(0, 0, 0))
{
    GaugeStyle style = DisplayGaugeStyle(n);
    style.shadowColour = shadow;
    style.minLabel = "Min.";
    style.maxLabel = "Max.";
    style.title = "Brightness";
    return style;
}

// The real gauge in the default style, laid out for a given screen, with a hidden popup to shape.
class GaugeOnScreen : public ::testing::Test {
protected:
    void TearDown() override
    {
        gauge.Destroy();
        DestroyWindow(window);
    }
    void Build(UINT n, UINT w, UINT h, COLORREF shadow = RGB(0, 0, 0))
    {
        ASSERT_TRUE(gauge.Setup(Style(n, shadow)) && gauge.LayoutForScreen(w, h));
        UINT gw, gh;
        gauge.GetSize(&gw, &gh);
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, (int)gw, (int)gh, NULL, NULL, NULL, NULL);
    }
    HRGN WindowShape()
    {
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(ERROR, GetWindowRgn(window, shape));
        return shape;
    }
    LevelGauge gauge{ GetModuleHandleA(NULL) };
    HWND window = NULL;
};

TEST_F(GaugeOnScreen, EveryLevelIsADisjointBodyOutlineAndShadowWithAMarkForEachUnlitSegment)
{
    Build(8, 1024, 768);
    RECT box;
    ASSERT_TRUE(gauge.GetSegment(0, &box));
    EXPECT_TRUE(box.top == 64 && box.bottom == 160);
    for (UINT level : { 0u, 7u, 3u }) {
        ASSERT_TRUE(gauge.SetLevel(window, level)) << level;
        // The body wins over the outline, both over the shadow; together they are the window's shape.
        HRGN all = CreateRectRgn(0, 0, 0, 0), overlap = CreateRectRgn(0, 0, 0, 0), shape = WindowShape();
        for (int i = 0; i < LevelGauge::LayerCount; i++) {
            HRGN part = gauge.GetLitShape((LevelGauge::LayerKind)i);
            ASSERT_TRUE(part != NULL) << i;
            EXPECT_EQ(NULLREGION, CombineRgn(overlap, all, part, RGN_AND)) << level << ": layer " << i;
            CombineRgn(all, all, part, RGN_OR);
        }
        EXPECT_TRUE(EqualRgn(all, shape));
        DeleteObject(all);
        DeleteObject(overlap);
        DeleteObject(shape);
        // Lit segments are full blocks (the brightness-key scenario sees which); an unlit one is a
        // small mark in the middle of its body.
        HRGN body = gauge.GetLitShape(LevelGauge::MainLayer);
        for (UINT i = 0; i < 8; i++) {
            ASSERT_TRUE(gauge.GetSegment(i, &box));
            EXPECT_TRUE(PtInRegion(body, (box.left + box.right - 3) / 2, (box.top + box.bottom - 3) / 2)) << i;
        }
    }
    HRGN before = WindowShape();
    EXPECT_FALSE(gauge.SetLevel(window, 8) || gauge.SetLevel(window, 0xFFFFFFFF));
    HRGN after = WindowShape();
    EXPECT_TRUE(EqualRgn(before, after));
    DeleteObject(before);
    DeleteObject(after);

    // The popup goes with its owner; the display then forgets its window, so that its Destroy
    // never destroys a handle that may name another window by now.
    BrightnessOsd osd;
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(osd.Create(GetModuleHandleA(NULL), owner, Style(8)));
    DestroyWindow(owner);
    EXPECT_TRUE(osd.Window() == NULL);
    osd.Destroy();
}

// Whether any of the region lies in the rectangle.
bool AnyIn(HRGN region, const RECT &area)
{
    HRGN part = CreateRectRgnIndirect(&area);
    const bool any = CombineRgn(part, part, region, RGN_AND) != NULLREGION;
    DeleteObject(part);
    return any;
}

// The region moved by (x, y), less the given one: empty when the moved region lies inside it.
bool MovedInside(HRGN region, int x, int y, HRGN inside)
{
    HRGN moved = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(moved, region, NULL, RGN_COPY);
    OffsetRgn(moved, x, y);
    const bool in = CombineRgn(moved, moved, inside, RGN_DIFF) == NULLREGION;
    DeleteObject(moved);
    return in;
}

// The top-left corner of a region's first rectangle: a point that lies in it.
POINT PointIn(HRGN region)
{
    POINT p = { -1, -1 };
    const DWORD size = GetRegionData(region, 0, NULL);
    std::string data(size, '\0');
    RGNDATA *rgn = (RGNDATA *)&data[0];
    if (size && GetRegionData(region, size, rgn) && rgn->rdh.nCount) {
        p.x = ((const RECT *)rgn->Buffer)->left;
        p.y = ((const RECT *)rgn->Buffer)->top;
    }
    return p;
}

// Besides its segments the gauge shows the icon, the title from the first segment's column on,
// and the labels at the ends of the level row, all ringed by the outline and extruded down to the
// right by the shadow, and paints each in its own colour. The places follow from the segments:
// the title row is T high, the labels' columns L and R wide, a segment and a gap S wide each.
TEST_F(GaugeOnScreen, BesidesTheSegmentsTheIconTitleAndLabelsShowRingedAndShadowed)
{
    Build(8, 1024, 768, RGB(255, 0, 0));
    ASSERT_TRUE(gauge.SetLevel(window, 3));
    UINT width, height;
    gauge.GetSize(&width, &height);
    RECT first, last;
    ASSERT_TRUE(gauge.GetSegment(0, &first) && gauge.GetSegment(7, &last));
    const LONG w = (LONG)width, h = (LONG)height, t = first.top, s = first.right - first.left, l = first.left - s;
    const LONG r = w - last.right - s, iconX = l - t, titleX = first.left;
    // Inside the outline's width (1) and the shadow's depth (3) the icon is t - 5 square.
    const RECT iconBox = { iconX + 1, 1, iconX + t - 4, t - 4 };
    HRGN body = gauge.GetLitShape(LevelGauge::MainLayer), outline = gauge.GetLitShape(LevelGauge::OutlineLayer);
    HRGN shape = WindowShape(), ringed = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(ringed, body, outline, RGN_OR);
    const struct { const char *what; HRGN region; RECT area; bool shows; } places[] = {
        { "the icon", body, iconBox, true },
        { "nothing between the icon and the title", shape, { iconBox.right + 11, 0, titleX - 4, t }, false },
        { "the title from the first segment's column on", body, { titleX + 1, 1, titleX + s, t - 4 }, true },
        { "Min. at the left of the level row", body, { 1, t + 1, l / 2, h - 4 }, true },
        { "nothing between Min. and the first segment", shape, { l + 1, t + 6, titleX - 1, h - 6 }, false },
        { "Max. at the right of the level row", body, { w - r / 2, t + 1, w - 4, h - 4 }, true },
    };
    for (const auto &p : places)
        EXPECT_EQ(p.shows, AnyIn(p.region, p.area)) << p.what;
    const struct { const char *what; int x, y; HRGN inside; bool in; } moves[] = {
        { "the outline rings the body on the left", -1, 0, ringed, true },
        { "the outline rings the body above", 0, -1, ringed, true },
        { "the shadow extrudes the body one pixel down to the right", 1, 1, shape, true },
        { "... two pixels", 2, 2, shape, true },
        { "... three pixels", 3, 3, shape, true },
        { "no shadow lies up to the left", -2, -2, shape, false },
    };
    for (const auto &m : moves)
        EXPECT_EQ(m.in, MovedInside(body, m.x, m.y, m.inside)) << m.what;
    DeleteObject(ringed);
    DeleteObject(shape);
    // The icon is icon 117's 32 x 32 picture stretched into its box: its silhouette is the body there.
    HICON icon = (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_GAUGE), IMAGE_ICON, 32, 32, 0);
    ASSERT_TRUE(icon != NULL);
    {
        const int iw = iconBox.right - iconBox.left, ih = iconBox.bottom - iconBox.top;
        MemoryDc drawn(NULL, iw, ih);
        const RECT all = { 0, 0, iw, ih };
        HBRUSH key = CreateSolidBrush(RGB(255, 0, 255));
        FillRect(drawn.Dc(), &all, key);
        DeleteObject(key);
        ASSERT_TRUE(DrawIconEx(drawn.Dc(), 0, 0, icon, iw, ih, 0, NULL, DI_NORMAL));
        int different = 0;
        for (int i = 0; i < iw * ih; i++)
            different += (GetPixel(drawn.Dc(), i % iw, i / iw) != RGB(255, 0, 255))
                != (PtInRegion(body, iconBox.left + i % iw, iconBox.top + i / iw) != FALSE);
        EXPECT_EQ(0, different);
    }
    DestroyIcon(icon);

    // Painted: the body in the gauge's colour, the outline black, the shadow in its own colour.
    ShowWindow(window, SW_SHOWNA);
    MemoryDc canvas(NULL, (int)width, (int)height);
    HDC dc = canvas.Dc();
    ASSERT_TRUE(gauge.Paint(dc, window));
    const struct { LevelGauge::LayerKind layer; COLORREF colour; } colours[] = {
        { LevelGauge::MainLayer, RGB(0, 255, 0) }, { LevelGauge::OutlineLayer, RGB(0, 0, 0) },
        { LevelGauge::ShadowLayer, RGB(255, 0, 0) },
    };
    for (const auto &c : colours) {
        const POINT p = PointIn(gauge.GetLitShape(c.layer));
        EXPECT_EQ(c.colour, GetPixel(dc, p.x, p.y)) << "layer " << c.layer << " at " << p.x << "," << p.y;
    }
}

} // namespace
