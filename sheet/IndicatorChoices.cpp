#include "sheet/IndicatorChoices.h"

#include "res/resource.h"

DWORD ModeFromChecks(BOOL powerStatus, BOOL remainingTime)
{
    return (powerStatus ? ModePowerStatus : 0) | (remainingTime ? ModeRemainingTime : 0);
}

void PreferredFromMode(DWORD mode, BOOL *powerStatus, BOOL *remainingTime)
{
    if (mode > ModePowerStatus + ModeRemainingTime)
        mode = ModePowerStatus | ModeRemainingTime;
    *powerStatus = (mode & ModePowerStatus) != 0;
    *remainingTime = (mode & ModeRemainingTime) != 0;
}

BOOL ResolveChoice(BOOL preferred, UINT fix, BOOL *fixed)
{
    *fixed = fix == 1 || fix == 2;
    return *fixed ? fix == 2 : preferred;
}

UINT SkinNumberFromText(const char *text)
{
    UINT number = 0;
    for (int i = 0; i < 2 && text[i] >= '0' && text[i] <= '9'; i++)
        number = number * 10 + (UINT)(text[i] - '0');
    return number;
}

// Four rows on the battery, charging up to 99 %, full on AC, then back on the battery.
const SampleRow SampleDemoTable[SampleRowCount] = {
    { 90, OnBattery, 269 }, { 89, OnBattery, 265 }, { 88, OnBattery, 261 }, { 87, OnBattery, 257 },
    { 88, OnAcCharging, 0 }, { 89, OnAcCharging, 0 }, { 90, OnAcCharging, 0 }, { 91, OnAcCharging, 0 },
    { 92, OnAcCharging, 0 }, { 93, OnAcCharging, 0 }, { 94, OnAcCharging, 0 }, { 95, OnAcCharging, 0 },
    { 96, OnAcCharging, 0 }, { 97, OnAcCharging, 0 }, { 98, OnAcCharging, 0 }, { 99, OnAcCharging, 0 },
    { 100, OnAc, 0 }, { 100, OnAc, 0 }, { 100, OnAc, 0 }, { 100, OnAc, 0 },
    { 99, OnBattery, 320 }, { 98, OnBattery, 315 }, { 97, OnBattery, 309 }, { 96, OnBattery, 303 },
    { 95, OnBattery, 297 }, { 94, OnBattery, 294 }, { 93, OnBattery, 285 }, { 92, OnBattery, 280 },
    { 91, OnBattery, 274 },
};

UINT SampleCaptionId(PowerState state)
{
    if (state == OnAc)
        return IDS_SAMPLE_AC;
    if (state == OnAcCharging)
        return IDS_SAMPLE_CHARGING;
    return IDS_SAMPLE_BATTERY;
}
