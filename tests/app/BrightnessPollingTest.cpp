// The gauge's polling states stepped tick by tick, as the brightness keys would drive them.
#include <gtest/gtest.h>

#include "app/BrightnessPolling.h"

namespace {

const DWORD Changed = 0x80000000;

TEST(BrightnessPolling, AChangeShowsTheGaugeHidesItAfter13QuietTicksAndSlowsDownAfter100)
{
    BrightnessPolling polling = { FALSE, 0 };
    BrightnessActions a = StepBrightnessPolling(&polling, TRUE, 3);
    EXPECT_FALSE(a.showGauge || a.hideGauge || a.newPeriod);   // idle, no change
    for (int round = 0; round < 2; round++) {
        // A change, and in the second round another while polling is still fast: the count starts again.
        a = StepBrightnessPolling(&polling, TRUE, Changed | (5 - round));
        EXPECT_TRUE(a.showGauge && a.level == 5u - round && a.newPeriod == FastBrightnessPeriod) << round;
        const int quiet = round ? 101 : 20;
        for (int tick = 1; tick <= quiet; tick++) {
            a = StepBrightnessPolling(&polling, tick % 7 != 0, 5);   // a failed read is a quiet tick
            EXPECT_FALSE(a.showGauge) << tick;
            EXPECT_EQ(tick == 13, a.hideGauge != FALSE) << tick;
            EXPECT_EQ(tick == 100 ? SlowBrightnessPeriod : 0u, a.newPeriod) << tick;
        }
        EXPECT_EQ(round == 0, polling.shown != FALSE);
    }
}

} // namespace
