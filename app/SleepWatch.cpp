#include "app/SleepWatch.h"

BOOL SleptSinceLastTick(SleepWatch *watch, DWORD tickCount, ULONGLONG systemTime)
{
    BOOL slept = FALSE;
    if (watch->started && systemTime > watch->systemTime) {
        // Differences of the tick count stay right across its wrap every 49.7 days.
        ULONGLONG passedMs = (systemTime - watch->systemTime) / 10000;
        DWORD tickedMs = tickCount - watch->tickCount;
        slept = passedMs > tickedMs && passedMs - tickedMs >= SleepGapMs;
    }
    watch->started = TRUE;
    watch->tickCount = tickCount;
    watch->systemTime = systemTime;
    return slept;
}
