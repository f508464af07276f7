// The power-status snapshot shared by the tray icon, its pictures and the indicator, and the status
// line composed from it. ReadPowerStatus asks the system; ComposePowerStatus does the work on a
// snapshot the caller provides.
#ifndef KESTREL_POWERSTATUS_H
#define KESTREL_POWERSTATUS_H

#include <windows.h>

#include "driver/PowerState.h"

const UINT StatusTextSize = 100;

struct PowerStatus {
    DWORD percent;
    PowerState state;
    DWORD minutes;       // only known on the battery; 0 otherwise
    char text[StatusTextSize];
};

// Fills the four outputs from the system's power status; text is cut to textSize - 1 characters.
void ReadPowerStatus(DWORD *percent, PowerState *state, DWORD *minutes, char *text, UINT textSize);

// The same from a given snapshot; system null means the system could not be asked.
void ComposePowerStatus(const SYSTEM_POWER_STATUS *system, DWORD *percent, PowerState *state,
                        DWORD *minutes, char *text, UINT textSize);

// Fills a whole PowerStatus.
void ReadPowerStatus(PowerStatus *status);

inline BOOL IsOnAc(PowerState state) { return state == OnAc || state == OnAcCharging; }

#endif
