/* sim/control/SimControl.h — tests' and tools' handle on the simulated power driver: its state,
 * its record of the program's requests, and the brightness keys. Each call opens the control
 * device, makes one request and closes it again, so there is nothing to set up or tear down.
 * Every call fails (FALSE, or 0 with the last-error code set) when the driver is not loaded. */
#ifndef KESTREL_SIM_CONTROL_H
#define KESTREL_SIM_CONTROL_H

#include <windows.h>

#include "SimProtocol.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SimState {
    DWORD features;   /* SIM_LCD | SIM_CPU | SIM_RING: the features that answer */
    DWORD lcdCount;   /* returned as is by the LCD level count request */
    DWORD cpuCount;   /* returned as is by the CPU level count request */
    DWORD lcdLevel;   /* the current backlight level */
    DWORD lcdChanged; /* 1: the next level read reports bit 31, then clears this */
    DWORD cpuLevel;   /* the last CPU level set */
    DWORD ringValue;  /* the resume-on-ring setting */
    DWORD faults;     /* SIM_FAULT_*: 0 for a driver that behaves */
} SimState;

typedef struct SimRequest {
    DWORD code;       /* the request code the program's device received */
    DWORD input;      /* the word it came with (0 when its input was shorter than a word) */
} SimRequest;

/* What the driver was loaded with and how full its record is. */
typedef struct SimInfo {
    DWORD modes;      /* bit 0: "\\.\KESTREL.VXD" offered; bit 1: the ACPI interface offered */
    DWORD logCount;   /* requests held now, at most SIM_LOG_CAPACITY */
    DWORD logDropped; /* oldest requests forgotten since the last clear */
} SimInfo;

BOOL SimGetState(SimState *state);
BOOL SimSetState(const SimState *state);
/* Changes only the fields that mask names (SIM_FIELD_*), in one step. */
BOOL SimSetFields(DWORD mask, const SimState *state);
BOOL SimGetInfo(SimInfo *info);
BOOL SimClearLog(void);
/* Copies up to max of the held requests, oldest first, and returns how many it copied;
 * on failure returns 0 with the last-error code set (it is 0 after a successful call). */
DWORD SimReadLog(SimRequest *entries, DWORD max);
/* As a brightness key would: sets the level and flags it changed, in one step. */
BOOL SimPress(DWORD level);
/* Back to the defaults the driver loads with, log cleared. */
BOOL SimReset(void);
/* The default state: all features, 8 LCD levels, 4 CPU levels, level 7, nothing changed. */
void SimDefaultState(SimState *state);
/* The request's name as kestrelctl prints it ("lcd-count", ...; "unknown" for others). */
const char *SimRequestName(DWORD code);

#ifdef __cplusplus
}
#endif

#endif
