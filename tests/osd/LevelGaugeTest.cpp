// The gauge's layout arithmetic on plain numbers, then its shapes against Wine's real GDI.
#include <gtest/gtest.h>

#include "osd/LevelGauge.h"

namespace {

GaugeMeasures Measures(UINT w, UINT h, UINT n, UINT titleWidth, UINT minWidth = 60, UINT maxWidth = 64)
{
    GaugeMeasures m = { w, h, n, 8, 5, titleWidth, minWidth, maxWidth };
    return m;
}

TEST(GaugeLayout, TheWorkedExampleComesOutExactly)
{
    GaugePlan plan;
    ASSERT_TRUE(PlanGauge(Measures(1024, 768, 8, 155), &plan));
    EXPECT_EQ(96u, plan.unit);
    EXPECT_EQ(64u, plan.titleHeight);
    EXPECT_EQ(768u, plan.width);
    EXPECT_EQ(160u, plan.height);
    EXPECT_EQ(128, plan.x);
    EXPECT_EQ(512, plan.y);
    EXPECT_EQ(67u, plan.left);   // 65 and half the remainder of 5
    EXPECT_EQ(37u, plan.step);
    for (UINT i = 0; i < 8; i++)
        EXPECT_EQ(104 + 74 * i, plan.left + plan.step * (2 * i + 1)) << i;
    EXPECT_EQ(104u, plan.titleX);
    EXPECT_EQ(3, plan.iconX);
}

TEST(GaugeLayout, TwoLevelsATitleThatDoesNotFitAndWhatCannotFitTheScreen)
{
    GaugePlan plan;
    // Two levels leave half the screen free, not all of it.
    ASSERT_TRUE(PlanGauge(Measures(1024, 768, 2, 155), &plan));
    EXPECT_EQ(512u, plan.width);
    EXPECT_EQ(256, plan.x);
    // The title fits the gauge, but not from the first segment on: it follows the icon.
    ASSERT_TRUE(PlanGauge(Measures(1024, 768, 8, 680), &plan));
    EXPECT_EQ(768u, plan.width);
    EXPECT_EQ(64u, plan.titleX);
    EXPECT_EQ(0, plan.iconX);

    EXPECT_FALSE(PlanGauge(Measures(1024, 768, 200, 155), &plan));   // too many levels
    EXPECT_FALSE(PlanGauge(Measures(1024, 768, 5000, 155), &plan));  // more levels than pixels
    EXPECT_FALSE(PlanGauge(Measures(1024, 768, 8, 1000), &plan));    // too long a title
    EXPECT_FALSE(PlanGauge(Measures(1024, 768, 0, 155), &plan));     // no division by zero
    GaugeMeasures noDivisor = Measures(1024, 768, 8, 155);
    noDivisor.heightDivisor = 0;
    EXPECT_FALSE(PlanGauge(noDivisor, &plan));

    // Found by the fuzzer: sums that wrapped in 32 bits passed for a fitting gauge, and a screen no
    // signed coordinate spans put the gauge above its top.
    GaugeMeasures wrapping = { 4294966272u, 4294966527u, 67436785, 50331648, 524288, 0, 1, 0 };
    EXPECT_FALSE(PlanGauge(wrapping, &plan));
    for (UINT margin : { 0x80000000u, 0xFFFFFF00u }) {
        GaugeMeasures wideMargin = Measures(1920, 1080, 8, 155);
        wideMargin.margin = margin;   // every width plus it would wrap to a few pixels
        EXPECT_FALSE(PlanGauge(wideMargin, &plan)) << margin;
    }
}

// The real gauge in the default style, laid out for a given screen, with a hidden popup to shape.
class GaugeOnScreen : public ::testing::Test {
protected:
    GaugeOnScreen() : gauge(GetModuleHandleA(NULL)), window(NULL) {}
    void TearDown() override
    {
        gauge.Destroy();
        if (window)
            DestroyWindow(window);
    }
    static GaugeStyle Style(UINT n)
    {
        GaugeStyle style = { n, 8, FW_BOLD, "Arial", "Min.", "Max.", "Brightness",
                             TRUE, TRUE, 3, 3, TRUE, 1, RGB(0, 255, 0), RGB(0, 0, 0) };
        return style;
    }
    void Build(UINT n, UINT w, UINT h)
    {
        ASSERT_TRUE(gauge.Setup(Style(n)));
        ASSERT_TRUE(gauge.LayoutForScreen(w, h));
        UINT gw, gh;
        gauge.GetSize(&gw, &gh);
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, (int)gw, (int)gh, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(window != NULL);
    }
    HRGN WindowShape()
    {
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(ERROR, GetWindowRgn(window, shape));
        return shape;
    }
    static bool Covers(HRGN shape, const RECT &box)
    {
        HRGN rest = CreateRectRgnIndirect(&box);
        bool covered = CombineRgn(rest, rest, shape, RGN_DIFF) == NULLREGION;
        DeleteObject(rest);
        return covered;
    }
    // The body, outline and shadow do not overlap and together are the window's shape.
    void ExpectDisjointPartsOfTheWindowShape()
    {
        HRGN parts[3] = { gauge.GetLitShape(LevelGauge::MainLayer), gauge.GetLitShape(LevelGauge::OutlineLayer),
                          gauge.GetLitShape(LevelGauge::ShadowLayer) };
        HRGN all = CreateRectRgn(0, 0, 0, 0), overlap = CreateRectRgn(0, 0, 0, 0);
        for (int i = 0; i < 3; i++) {
            if (!parts[i])
                continue;
            for (int j = i + 1; j < 3; j++) {
                if (parts[j]) {
                    EXPECT_EQ(NULLREGION, CombineRgn(overlap, parts[i], parts[j], RGN_AND)) << i << " " << j;
                }
            }
            CombineRgn(all, all, parts[i], RGN_OR);
        }
        HRGN shape = WindowShape();
        EXPECT_TRUE(EqualRgn(all, shape));
        DeleteObject(shape);
        DeleteObject(all);
        DeleteObject(overlap);
    }
    LevelGauge gauge;
    HWND window;
};

TEST_F(GaugeOnScreen, LevelsLightSegmentsFromTheLeftInDisjointBodyOutlineAndShadow)
{
    Build(8, 1024, 768);
    int x, y;
    gauge.GetPosition(&x, &y);
    EXPECT_EQ(512, y);
    RECT box;
    ASSERT_TRUE(gauge.GetSegment(0, &box));
    EXPECT_EQ(64, box.top);
    EXPECT_EQ(160, box.bottom);

    const UINT levels[] = { 0, 7, 3 };
    for (UINT level : levels) {
        ASSERT_TRUE(gauge.SetLevel(window, level)) << level;
        ExpectDisjointPartsOfTheWindowShape();
        HRGN body = gauge.GetLitShape(LevelGauge::MainLayer);
        ASSERT_TRUE(gauge.GetLitShape(LevelGauge::OutlineLayer) != NULL);
        ASSERT_TRUE(gauge.GetLitShape(LevelGauge::ShadowLayer) != NULL);
        for (UINT i = 0; i < 8; i++) {
            ASSERT_TRUE(gauge.GetSegment(i, &box));
            RECT full = { box.left + 1, box.top + 1, box.right - 4, box.bottom - 4 };   // inside outline and shadow
            EXPECT_EQ(i <= level, Covers(body, full)) << level << " " << i;
            // An unlit segment is a small mark in the middle of its body.
            EXPECT_TRUE(PtInRegion(body, (full.left + full.right) / 2, (full.top + full.bottom) / 2)) << i;
        }
    }

    HRGN before = WindowShape();
    EXPECT_FALSE(gauge.SetLevel(window, 8));
    EXPECT_FALSE(gauge.SetLevel(window, 0xFFFFFFFF));
    HRGN after = WindowShape();
    EXPECT_TRUE(EqualRgn(before, after));
    DeleteObject(before);
    DeleteObject(after);
}

TEST_F(GaugeOnScreen, SegmentsTooNarrowForOutlineAndShadowAreShownBareAndWhole)
{
    Build(100, 1024, 768);   // 4 pixels a segment, no more than shadow and outline take
    ASSERT_TRUE(gauge.SetLevel(window, 49));
    EXPECT_TRUE(gauge.GetLitShape(LevelGauge::OutlineLayer) == NULL);
    EXPECT_TRUE(gauge.GetLitShape(LevelGauge::ShadowLayer) == NULL);
    HRGN body = gauge.GetLitShape(LevelGauge::MainLayer);
    HRGN shape = WindowShape();
    EXPECT_TRUE(EqualRgn(body, shape));
    DeleteObject(shape);
    RECT box;
    ASSERT_TRUE(gauge.GetSegment(49, &box));
    EXPECT_TRUE(Covers(body, box));
    ASSERT_TRUE(gauge.GetSegment(50, &box));
    EXPECT_FALSE(Covers(body, box));
}

TEST_F(GaugeOnScreen, LayoutRunsOnlyForANewScreenSizeAndKeepsAFailureAFailure)
{
    Build(8, 1024, 768);
    UINT w, h;
    int x, y;
    EXPECT_TRUE(gauge.LayoutForScreen(1024, 768));   // nothing to do
    gauge.GetSize(&w, &h);
    gauge.GetPosition(&x, &y);
    EXPECT_EQ(768u, w);
    EXPECT_EQ(512, y);

    // The title alone is wider than this screen: not composed, and asking again changes nothing.
    EXPECT_FALSE(gauge.LayoutForScreen(200, 768));
    EXPECT_FALSE(gauge.LayoutForScreen(200, 768));
    EXPECT_FALSE(gauge.SetLevel(window, 0));
    EXPECT_FALSE(gauge.LayoutForScreen(0, 768));

    ASSERT_TRUE(gauge.LayoutForScreen(1280, 1024));
    gauge.GetSize(&w, &h);
    gauge.GetPosition(&x, &y);
    EXPECT_EQ(1280u - 160 * 2, w);
    EXPECT_EQ(128u / 3 * 2 + 128, h);
    EXPECT_EQ(160, x);
    EXPECT_EQ(1024 - 256 - 84, y);
    EXPECT_TRUE(gauge.SetLevel(window, 0));

    // A second Setup on a composed gauge is refused.
    SetLastError(0);
    EXPECT_FALSE(gauge.Setup(Style(8)));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
}

} // namespace
