/* sim/battery/FakeBattery.h — writes the fake battery that Wine programs read in place of
 * /sys/class/power_supply, so that a Windows test can change the power state while the program
 * runs. The folder is given as a DOS path (e.g. "Z:\\work\\main\\build\\test\\battery"); the
 * caller's runner binds it over /sys/class/power_supply in a private mount namespace.
 * It holds an "AC" (Mains) entry and, for the states that have one, a "BAT0" (Battery) entry. */
#ifndef KESTREL_FAKE_BATTERY_H
#define KESTREL_FAKE_BATTERY_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum FakeBatteryState {
    FakeAcNotCharging = 0, /* AC online, battery full at percent */
    FakeAcCharging,        /* AC online, battery charging at percent */
    FakeOnBattery,         /* AC offline, discharging at percent with minutes left */
    FakeAcNoBattery,       /* AC online, no battery entry at all */
    FakeStatusUnknown      /* AC line state unknown (ACLineStatus 255), battery at percent */
} FakeBatteryState;

/* minutes for FakeOnBattery when the remaining time is to be unknown (BatteryLifeTime -1). */
#define FAKE_MINUTES_UNKNOWN 0xFFFFFFFFu

/* The values Wine reads for a state; FakeBatterySet writes exactly these. */
typedef struct FakeBatteryValues {
    BOOL hasBattery;
    DWORD acOnline;        /* 0, 1, or 255 for unknown */
    const char *status;    /* "Charging", "Discharging" or "Full" */
    DWORD voltageNow;      /* microvolts */
    DWORD chargeFull;      /* microampere-hours */
    DWORD chargeNow;
    DWORD currentNow;      /* microamperes */
} FakeBatteryValues;

/* Every percent 0..100 works with any minutes 0..1440; much longer times at a low charge cannot
 * be expressed. Fails (FALSE, ERROR_INVALID_PARAMETER) for percent above 100, an unknown state or
 * minutes that cannot be expressed; FALSE with the file system's error when a file cannot be written. */
BOOL FakeBatteryValuesFor(FakeBatteryState state, DWORD percent, DWORD minutes,
                          FakeBatteryValues *values);
BOOL FakeBatterySet(const char *dir, FakeBatteryState state, DWORD percent, DWORD minutes);

#ifdef __cplusplus
}
#endif

#endif
