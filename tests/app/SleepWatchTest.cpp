// The sleep watch stepped tick by tick with the clocks Wine shows: a tick count that stands still
// while the machine sleeps and a system time that does not.
#include <gtest/gtest.h>

#include "app/SleepWatch.h"

namespace {

const ULONGLONG Ms = 10000;   // system time units in a millisecond

TEST(SleepWatch, ASleepIsTheSystemTimeRunningAheadOfTheTickCount)
{
    // Each row: how far the tick count and the system time moved since the tick before.
    const struct { DWORD tickedMs; long long passedMs; BOOL slept; const char *what; } ticks[] = {
        { 500, 500, FALSE, "the first tick only starts" },
        { 500, 500, FALSE, "a quiet tick" },
        { 3000, 3000, FALSE, "a busy machine delays both clocks alike" },
        { 500, 5499, FALSE, "a lead just short of five seconds" },
        { 500, 5500, TRUE, "five seconds ahead: a short sleep" },
        { 500, 3600 * 1000, TRUE, "an hour's sleep" },
        { 500, -60 * 1000, FALSE, "the clock set back" },
        { 500, 500, FALSE, "and the tick after it" },
        { 0xFFFFFFFFu - 10000, 0xFFFFFFFFull - 10000, FALSE, "the tick count wraps" },
        { 20000, 20000 + 8000, TRUE, "across the wrap" },
    };
    SleepWatch watch = {};
    DWORD tick = 0xFFFFF000u;   // the tick count wraps during the rows
    ULONGLONG time = 130000000000000000ull;
    for (const auto &t : ticks) {
        tick += t.tickedMs;
        time += (ULONGLONG)(t.passedMs * (long long)Ms);
        EXPECT_EQ(t.slept, SleptSinceLastTick(&watch, tick, time)) << t.what;
    }
}

} // namespace
