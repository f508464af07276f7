// The gauge's layout arithmetic on plain numbers, then its shapes against Wine's real GDI. Where
// the popup shows, its shape on screen and that it never takes the foreground the brightness-key
// scenarios see; what a day of gauges leaves behind, the soak.
#include <gtest/gtest.h>

#include "osd/BrightnessOsd.h"
#include "osd/LevelGauge.h"

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

// The display's style, with the texts the display loads.
GaugeStyle Style(UINT n)
{
    GaugeStyle style = DisplayGaugeStyle(n);
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
    void Build(UINT n, UINT w, UINT h)
    {
        ASSERT_TRUE(gauge.Setup(Style(n)) && gauge.LayoutForScreen(w, h));
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

} // namespace
