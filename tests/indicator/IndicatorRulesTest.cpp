// The indicator's rules over plain values: the choice of the tray's picture pair and the place of a
// window inside the work area. Loading the pictures, the fallback for every picture that cannot be
// used, the blinking, and where the indicator sits are seen on screen by the scenarios and the
// generated cases.
#include <gtest/gtest.h>

#include "indicator/BatteryIconSet.h"
#include "indicator/IndicatorWindow.h"

namespace {

TEST(IconPairFor, ChoosesTheBandOfTenAndTheSourcesPictures)
{
    const struct { UINT percent; int state; UINT first; } cases[] = {
        { 100, OnAcCharging, 20 }, { 90, OnAcCharging, 20 }, { 89, OnAcCharging, 18 }, { 10, OnAcCharging, 4 },
        { 9, OnAcCharging, 2 }, { 101, OnAcCharging, 20 }, { 0xFFFFFFFF, OnAcCharging, 20 }, { 0, OnAc, 0 },
        { 255, OnAc, 0 }, { 45, OnBattery, 30 }, { 0, OnBattery, 22 }, { 100, OnBattery, 40 }, { 45, 7, 30 },
    };
    for (const auto &c : cases) {
        UINT pair[2] = { 99, 99 };
        IconPairFor(c.percent, (PowerState)c.state, pair);
        EXPECT_TRUE(pair[0] == c.first && pair[1] == c.first + 1) << c.percent << "% in state " << c.state;
    }
}

TEST(ClampRectToArea, ShiftsIntoTheAreaKeepingTheSize)
{
    const RECT area = { 0, 0, 1024, 738 };
    const struct { RECT in, out; } cases[] = {
        { { 10, 10, 90, 34 }, { 10, 10, 90, 34 } },              // inside: unchanged
        { { 1024, 0, 1104, 24 }, { 944, 0, 1024, 24 } },          // right of the area
        { { 1024, 768, 1104, 792 }, { 944, 714, 1024, 738 } },    // below the taskbar's top
        { { -50, -30, 30, -6 }, { 0, 0, 80, 24 } },               // above and left
        { { 5, 5, 2005, 1005 }, { 0, 0, 2000, 1000 } },           // larger: the top-left corner
    };
    for (const auto &c : cases) {
        RECT r = c.in;
        ClampRectToArea(&r, &area);
        EXPECT_TRUE(EqualRect(&r, &c.out)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

} // namespace
