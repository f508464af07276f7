// The status-line composer over every value of every field of the system's power status, into a
// buffer of any size.
#include <stdlib.h>

#include "driver/PowerStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 10)
        return 0;
    SYSTEM_POWER_STATUS system;
    system.ACLineStatus = data[0];
    system.BatteryFlag = data[1];
    system.BatteryLifePercent = data[2];
    system.Reserved1 = 0;
    memcpy(&system.BatteryLifeTime, data + 3, 4);
    system.BatteryFullLifeTime = 0;
    const UINT textSize = data[7] % 120;
    const BOOL unreadable = data[8] == 0xEE;

    char *text = (char *)malloc(textSize ? textSize : 1);
    DWORD percent = 7, minutes = 7;
    PowerState state = (PowerState)7;
    ComposePowerStatus(unreadable ? NULL : &system, &percent, &state, &minutes, text, textSize);

    if (state != OnAc && state != OnAcCharging && state != OnBattery)
        abort();
    if (percent > 254 || minutes > 0xFFFFFFFEu / 60)
        abort();
    if (state != OnBattery && minutes != 0)
        abort();   // a remaining time is only known on the battery
    if (textSize) {
        size_t length = strnlen(text, textSize);
        if (length >= textSize || length > 63)
            abort();   // unterminated, or longer than the tray's tooltip can show
    }
    free(text);
    return 0;
}
