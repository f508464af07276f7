// BatteryIconSet: the 42 pictures of the notification-area icon, read once from the installation's
// IndicatorIcon.dat, and the choice of the blinking pair for a power status. Owned by the main
// window: Load after the tray icon is added, Update and Blink from its timer, Release, delete.
#ifndef KESTREL_BATTERYICONSET_H
#define KESTREL_BATTERYICONSET_H

#include <windows.h>

#include "app/TrayIcon.h"
#include "driver/PowerState.h"
#include "gfx/Text.h"

// Slots: 0, 1 on AC not charging; 2 + 2b, 3 + 2b charging in band b; 22 + 2b, 23 + 2b on battery.
const UINT IconSlotCount = 42;
const UINT IconBandCount = 10;

// The profile key of each slot, in slot order.
extern const char *const IconSlotKeys[IconSlotCount];

// The slot pair for a power status: the ten-percent band (90 and above share the last) of the
// charging or battery pictures, or the AC pair whatever the percentage. Any state other than OnAc
// and OnAcCharging counts as running on the battery.
void IconPairFor(UINT percent, PowerState state, UINT pair[2]);

class BatteryIconSet {
public:
    BatteryIconSet();

    // Loads every slot from installFolder + "\IndicatorIcon.dat", each value naming a file in
    // resourceFolder; a slot that cannot be loaded holds a copy of fallbackIcon (which stays the
    // caller's). Slots that name one file, and those that fall back, share one picture. Refuses
    // with ERROR_ALREADY_EXISTS when loaded, ERROR_INVALID_PARAMETER without a tray icon or folders.
    BOOL Load(HINSTANCE module, TrayIcon *trayIcon, HICON fallbackIcon, const char *installFolder,
              const char *resourceFolder);
    // Chooses the pair for the status and shows its picture of the current phase with tipText.
    // The result is the tray icon's; ERROR_NOT_READY when not loaded.
    BOOL Update(UINT percent, PowerState state, const char *tipText);
    // Shows the other picture of the pair; the tooltip stays.
    BOOL Blink();
    // Destroys every picture the slots hold.
    void Release();

    HICON Icon(UINT slot) const { return slot < IconSlotCount ? icons[slot] : NULL; }
    HICON Shown() const { return icons[pair[phase]]; }
    UINT Phase() const { return phase; }

private:
    HICON LoadSlot(UINT slot, const char *iconFile, const char *resourceFolder, HICON fallbackIcon,
                   char (*paths)[PathSize]);

    HINSTANCE module;
    TrayIcon *trayIcon;
    HICON icons[IconSlotCount];
    UINT pair[2];
    UINT phase;
    BOOL loaded;
};

#endif
