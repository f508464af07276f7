#include "app/SettingsStore.h"

const char SettingLcdBacklightAc[] = "LCDBackLightAC";
const char SettingLcdBacklightDc[] = "LCDBackLightDC";
const char SettingCpuClockAc[] = "CPUClockAC";
const char SettingCpuClockDc[] = "CPUClockDC";
const char SettingIndicatorShow[] = "IndicatorShowWindow";
const char SettingIndicatorNumber[] = "IndicatorNumber";
const char SettingIndicatorPosition[] = "IndicatorPosition";
const char SettingIndicatorVertical[] = "IndicatorVerticalStyle";
const char SettingIndicatorMode[] = "IndicatorMode";
const char SettingIndicatorX[] = "IndicatorPositionX";
const char SettingIndicatorY[] = "IndicatorPositionY";

static const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";

BOOL AccessSetting(BOOL write, const char *name, DWORD *value)
{
    HKEY key;
    if (write) {
        if (RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key) == ERROR_SUCCESS)
            RegCloseKey(key);
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
            return FALSE;
        LONG status = RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)value, sizeof *value);
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    // Any value of at most four bytes is taken as it lies; a shorter one is widened with zeros.
    DWORD word = 0;
    DWORD type = REG_DWORD;
    DWORD size = sizeof word;
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)&word, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return FALSE;
    *value = word;
    return TRUE;
}

static void ReadOrDefault(const char *name, DWORD *value, DWORD fallback)
{
    if (!AccessSetting(FALSE, name, value))
        *value = fallback;
}

void LoadPowerControlSettings(DWORD backlight[2], DWORD clock[2])
{
    ReadOrDefault(SettingLcdBacklightAc, &backlight[0], 0xFFFFFFFF);
    ReadOrDefault(SettingLcdBacklightDc, &backlight[1], 0);
    ReadOrDefault(SettingCpuClockAc, &clock[0], 0xFFFFFFFF);
    ReadOrDefault(SettingCpuClockDc, &clock[1], 0);
}

void LoadIndicatorSettings(DWORD *show, DWORD *number, DWORD *position, DWORD *vertical, DWORD *mode)
{
    ReadOrDefault(SettingIndicatorShow, show, 1);
    ReadOrDefault(SettingIndicatorNumber, number, 1);
    ReadOrDefault(SettingIndicatorPosition, position, 0);
    ReadOrDefault(SettingIndicatorVertical, vertical, 0);
    ReadOrDefault(SettingIndicatorMode, mode, 1);
}
