#include "driver/PowerStatus.h"

#include "app/AppState.h"
#include "gfx/Text.h"
#include "res/resource.h"

// The status texts, loaded once for the process.
struct StatusTexts {
    BOOL loaded;
    char unknown[StatusTextSize];
    char noBattery[StatusTextSize];
    char ac[StatusTextSize];
    char charging[StatusTextSize];
    char battery[StatusTextSize];
    char percent[StatusTextSize];
};

static StatusTexts texts;

static void LoadStatusTexts()
{
    if (texts.loaded)
        return;
    HINSTANCE instance = appState.instance ? appState.instance : GetModuleHandleA(NULL);
    LoadStringA(instance, IDS_STATUS_UNKNOWN, texts.unknown, sizeof texts.unknown);
    LoadStringA(instance, IDS_STATUS_NO_BATTERY, texts.noBattery, sizeof texts.noBattery);
    LoadStringA(instance, IDS_STATUS_AC, texts.ac, sizeof texts.ac);
    LoadStringA(instance, IDS_STATUS_CHARGING, texts.charging, sizeof texts.charging);
    LoadStringA(instance, IDS_STATUS_BATTERY, texts.battery, sizeof texts.battery);
    LoadStringA(instance, IDS_STATUS_PERCENT, texts.percent, sizeof texts.percent);
    texts.loaded = TRUE;
}

void ComposePowerStatus(const SYSTEM_POWER_STATUS *system, DWORD *percent, PowerState *state,
                        DWORD *minutes, char *text, UINT textSize)
{
    LoadStatusTexts();
    *percent = 0;
    *state = OnBattery;
    *minutes = 0;
    CopyText(text, textSize, texts.unknown);
    if (!system || system->ACLineStatus == 255 || system->BatteryFlag == 255)
        return;

    BOOL acOnline = system->ACLineStatus == 1;
    if (system->BatteryFlag & BATTERY_FLAG_NO_BATTERY) {
        *state = acOnline ? OnAc : OnBattery;
        CopyText(text, textSize, texts.noBattery);
        return;
    }
    *percent = system->BatteryLifePercent == 255 ? 0 : system->BatteryLifePercent;
    if (system->BatteryFlag & BATTERY_FLAG_CHARGING)
        *state = acOnline ? OnAcCharging : OnBattery;
    else
        *state = acOnline ? OnAc : OnBattery;

    const char *source = *state == OnAc ? texts.ac : *state == OnAcCharging ? texts.charging : texts.battery;
    CopyText(text, textSize, source);
    if (*state == OnBattery && system->BatteryLifeTime != 0xFFFFFFFF)
        *minutes = system->BatteryLifeTime / 60;

    // The formatted percentage fits easily in its own buffer; the append is cut to the caller's.
    char remaining[StatusTextSize + 16];
    wsprintfA(remaining, texts.percent, (int)*percent);
    AppendText(text, textSize, remaining);
}

void ReadPowerStatus(DWORD *percent, PowerState *state, DWORD *minutes, char *text, UINT textSize)
{
    SYSTEM_POWER_STATUS system;
    BOOL read = GetSystemPowerStatus(&system);
    ComposePowerStatus(read ? &system : NULL, percent, state, minutes, text, textSize);
}

void ReadPowerStatus(PowerStatus *status)
{
    ReadPowerStatus(&status->percent, &status->state, &status->minutes, status->text, sizeof status->text);
}
