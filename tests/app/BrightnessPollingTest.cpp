// The gauge's polling states stepped tick by tick, as the brightness keys would drive them.
#include <gtest/gtest.h>

#include "app/BrightnessPolling.h"

namespace {

const DWORD Changed = 0x80000000;

TEST(BrightnessPolling, AChangeShowsTheGaugeHidesItAfter13TicksAndSlowsDownAfter100)
{
    BrightnessPolling polling = { FALSE, 0 };
    BrightnessActions a = StepBrightnessPolling(&polling, TRUE, 3);
    EXPECT_FALSE(a.showGauge || a.hideGauge || a.newPeriod);   // idle, no change

    a = StepBrightnessPolling(&polling, TRUE, Changed | 5);
    EXPECT_TRUE(a.showGauge);
    EXPECT_EQ(5u, a.level);
    EXPECT_EQ(FastBrightnessPeriod, a.newPeriod);

    int hides = 0;
    for (int tick = 1; tick <= 99; tick++) {
        // A failed read counts as a quiet tick.
        a = StepBrightnessPolling(&polling, tick % 7 != 0, 5);
        EXPECT_FALSE(a.showGauge) << tick;
        EXPECT_EQ(0u, a.newPeriod) << tick;
        if (a.hideGauge) {
            EXPECT_EQ(13, tick);
            hides++;
        }
    }
    EXPECT_EQ(1, hides);
    a = StepBrightnessPolling(&polling, TRUE, 5);
    EXPECT_EQ(SlowBrightnessPeriod, a.newPeriod);
    EXPECT_FALSE(polling.shown);
    a = StepBrightnessPolling(&polling, TRUE, 5);
    EXPECT_EQ(0u, a.newPeriod);   // idle again
}

TEST(BrightnessPolling, EveryNewChangeStartsTheCountAgain)
{
    BrightnessPolling polling = { FALSE, 0 };
    StepBrightnessPolling(&polling, TRUE, Changed | 2);
    for (int tick = 1; tick <= 20; tick++)
        StepBrightnessPolling(&polling, TRUE, 2);   // hidden at 13
    BrightnessActions a = StepBrightnessPolling(&polling, TRUE, Changed | 0);
    EXPECT_TRUE(a.showGauge);
    EXPECT_EQ(0u, a.level);
    EXPECT_EQ(0u, polling.ticks);
    for (int tick = 1; tick < 13; tick++)
        EXPECT_FALSE(StepBrightnessPolling(&polling, TRUE, 0).hideGauge);
    EXPECT_TRUE(StepBrightnessPolling(&polling, TRUE, 0).hideGauge);
}

} // namespace
