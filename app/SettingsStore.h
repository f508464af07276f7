// The per-user settings: 32-bit values under HKEY_CURRENT_USER "Software\Ardwick\Kestrel\Settings".
// Stateless: every access opens and closes the key; readers supply the defaults, nothing is cached.
#ifndef KESTREL_SETTINGSSTORE_H
#define KESTREL_SETTINGSSTORE_H

#include <windows.h>

extern const char SettingLcdBacklightAc[];      // "LCDBackLightAC", default 0xFFFFFFFF (highest)
extern const char SettingLcdBacklightDc[];      // "LCDBackLightDC", default 0
extern const char SettingCpuClockAc[];          // "CPUClockAC", default 0xFFFFFFFF (highest)
extern const char SettingCpuClockDc[];          // "CPUClockDC", default 0
extern const char SettingIndicatorShow[];       // "IndicatorShowWindow", default 1
extern const char SettingIndicatorNumber[];     // "IndicatorNumber", default 1
extern const char SettingIndicatorPosition[];   // "IndicatorPosition", default 0
extern const char SettingIndicatorVertical[];   // "IndicatorVerticalStyle", default 0
extern const char SettingIndicatorMode[];       // "IndicatorMode", default 1
extern const char SettingIndicatorX[];          // "IndicatorPositionX", default the screen width
extern const char SettingIndicatorY[];          // "IndicatorPositionY", default 0

// Reads (write 0) or writes (write 1) one value. Returns 1 on success; a failed read leaves *value
// as it was. The key is created on write.
BOOL AccessSetting(BOOL write, const char *name, DWORD *value);

// Each pair: the AC value first, the battery value second. Every failed read gives its default.
void LoadPowerControlSettings(DWORD backlight[2], DWORD clock[2]);
void LoadIndicatorSettings(DWORD *show, DWORD *number, DWORD *position, DWORD *vertical, DWORD *mode);

#endif
