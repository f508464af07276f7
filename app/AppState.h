// AppState: the one process-wide record of the shell. Lives for the whole process and is touched only
// from the user-interface thread. Start-up fills the first block; the main window owns the objects it
// creates (null while absent) and releases them in its WM_DESTROY.
#ifndef KESTREL_APPSTATE_H
#define KESTREL_APPSTATE_H

#include <windows.h>

#include "app/BrightnessPolling.h"
#include "app/SleepWatch.h"
#include "gfx/Text.h"

class BatteryIconSet;
class BrightnessOsd;
class DriverChannel;
class IndicatorWindow;
class SplashWindow;
class TrayIcon;
class TrayMenu;

struct AppState {
    HINSTANCE instance;
    HWND mainWindow;                 // set when CreateWindowExA returns
    char installFolder[PathSize];    // InstFolder as stored, no trailing backslash added
    char resourceFolder[PathSize];   // installFolder + "\Resource\", cut to 259 characters
    char helpPath[PathSize];         // installFolder + "\Kestrel.hlp"
    DriverChannel *driver;           // null when it could not be allocated
    BOOL onAcPower;                  // the last power source seen was AC
    HICON smallAppIcon;              // icon 100 at 16 x 16, released after the message loop

    // The main window's objects and counters.
    TrayIcon *trayIcon;              // the notification-area icon
    HICON trayPicture;               // icon 118, shown until the first status refresh
    BatteryIconSet *trayImages;      // the 42 battery pictures and their blinking
    IndicatorWindow *indicator;      // the floating battery indicator; null when hidden by setting
    TrayMenu *trayMenu;              // exists only while the popup menu is open
    SplashWindow *splash;            // the start-up splash; null once gone
    BOOL sheetOpen;                  // the settings sheet runs
    HWND sheetWindow;                // the open sheet's window
    DWORD statusTicks;               // StatusTimer ticks since the last refresh
    SleepWatch sleepWatch;           // the clocks at the last StatusTimer tick
    UINT taskbarCreatedMessage;      // broadcast when the notification area is re-created
    BrightnessOsd *osd;              // the brightness gauge; null when the driver cannot report levels
    BrightnessPolling osdPolling;    // shown flag and BrightnessTimer ticks since the last change
};

extern AppState appState;

#endif
