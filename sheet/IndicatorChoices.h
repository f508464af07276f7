// The indicator page's rules, as plain values: the display mode from the two "show" choices, the
// user's preferred choices from a stored mode, what a skin's fix makes of a choice, the skin number
// of a kind list item, and the sample's demonstration sequence.
#ifndef KESTREL_INDICATORCHOICES_H
#define KESTREL_INDICATORCHOICES_H

#include <windows.h>

#include "driver/PowerState.h"

// IndicatorMode bits.
const DWORD ModePowerStatus = 1;
const DWORD ModeRemainingTime = 2;

DWORD ModeFromChecks(BOOL powerStatus, BOOL remainingTime);
// A stored mode as the two choices: 0 neither, 1 the mark, 2 the time, anything else both.
void PreferredFromMode(DWORD mode, BOOL *powerStatus, BOOL *remainingTime);

// What a skin's fix (0 free, 1 forced off, 2 forced on) makes of the user's choice; *fixed tells
// whether the skin decided it.
BOOL ResolveChoice(BOOL preferred, UINT fix, BOOL *fixed);

// The skin number at the start of a kind list item ("07 - Classic" gives 7): at most two digits;
// 0 when the text does not begin with a digit.
UINT SkinNumberFromText(const char *text);

// One step of the sample's demonstration.
struct SampleRow {
    UINT percent;
    PowerState state;
    UINT minutes;   // 0: no remaining time shown
};

const UINT SampleRowCount = 29;
const UINT SamplePeriod = 500;   // ms per row
extern const SampleRow SampleDemoTable[SampleRowCount];

// The string id of the sample's caption for a power state.
UINT SampleCaptionId(PowerState state);

#endif
