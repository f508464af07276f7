// The brightness gauge's polling states, apart from any window so that they can be stepped in a
// test: idle (one poll a second), shown (ten a second, gauge visible), shown-and-hidden (ten a
// second, gauge hidden after 13 quiet ticks) and back to idle after 100 quiet ticks.
#ifndef KESTREL_BRIGHTNESSPOLLING_H
#define KESTREL_BRIGHTNESSPOLLING_H

#include <windows.h>

const UINT SlowBrightnessPeriod = 1000;   // ms, while nothing changes
const UINT FastBrightnessPeriod = 100;    // ms, after a change

struct BrightnessPolling {
    BOOL shown;     // from the moment the gauge is shown until the fast polling ends
    DWORD ticks;    // ticks since the gauge was last shown
};

// What one tick asks of the gauge and the timer.
struct BrightnessActions {
    BOOL hideGauge;
    BOOL showGauge;
    DWORD level;        // the level to show, bit 31 cleared
    UINT newPeriod;     // 0: keep the timer as it is
};

// One BrightnessTimer tick. levelRead says whether the driver answered the level read, word is
// its answer (bit 31: changed by the keys).
BrightnessActions StepBrightnessPolling(BrightnessPolling *polling, BOOL levelRead, DWORD word);

#endif
