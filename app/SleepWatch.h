// Notices, from one StatusTimer tick to the next, that the machine slept when no power broadcast
// says so: Wine sends none. Its tick count follows the clock that stands still while Linux
// sleeps, and the system time goes on, so a sleep shows as the system time running ahead of the
// tick count. Where the tick count runs on through a sleep (Windows, which sends the broadcast
// anyway) nothing shows. Plain values, so that a test can step it.
#ifndef KESTREL_SLEEPWATCH_H
#define KESTREL_SLEEPWATCH_H

#include <windows.h>

// The least lead of the system time over the tick count that counts as a sleep: far more than
// timer delays on a busy machine, far less than any real sleep. A user who sets the clock forward
// by more than this costs one push of the levels already in force.
const DWORD SleepGapMs = 5000;

struct SleepWatch {
    BOOL started;
    DWORD tickCount;        // GetTickCount at the last tick
    ULONGLONG systemTime;   // the system time at the last tick, in 100 ns units
};

// One tick, with the tick count and the system time read now. TRUE when the system time went on
// by SleepGapMs or more than the tick count since the last tick; the first tick only starts.
BOOL SleptSinceLastTick(SleepWatch *watch, DWORD tickCount, ULONGLONG systemTime);

#endif
