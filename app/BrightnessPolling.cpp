#include "app/BrightnessPolling.h"

#include "driver/DriverChannel.h"

// The gauge disappears 1.3 s after the last change; polling slows down 10 s after it.
const DWORD HideAfterTicks = 13;
const DWORD SlowDownAfterTicks = 100;

BrightnessActions StepBrightnessPolling(BrightnessPolling *polling, BOOL levelRead, DWORD word)
{
    BrightnessActions actions = { FALSE, FALSE, 0, 0 };
    if (polling->shown) {
        polling->ticks++;
        if (polling->ticks == HideAfterTicks) {
            actions.hideGauge = TRUE;
        } else if (polling->ticks >= SlowDownAfterTicks) {
            polling->shown = FALSE;
            polling->ticks = 0;
            actions.newPeriod = SlowBrightnessPeriod;
        }
    }
    if (!levelRead || !(word & LcdLevelChangedBit))
        return actions;
    actions.showGauge = TRUE;
    actions.level = word & ~LcdLevelChangedBit;
    polling->shown = TRUE;
    polling->ticks = 0;
    actions.newPeriod = FastBrightnessPeriod;
    return actions;
}
