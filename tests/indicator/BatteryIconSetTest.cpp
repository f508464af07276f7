// The choice of the tray's picture pair. Loading the pictures, the fallback for every picture that
// cannot be used and the blinking are seen in the tray by the scenarios and the generated cases.
#include <gtest/gtest.h>

#include "indicator/BatteryIconSet.h"

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

} // namespace
