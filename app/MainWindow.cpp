#include "app/MainWindow.h"

#include <new>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/SettingsStore.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "driver/DriverChannel.h"
#include "driver/PowerStatus.h"
#include "gfx/SplashWindow.h"
#include "indicator/BatteryIconSet.h"
#include "indicator/IndicatorWindow.h"
#include "osd/BrightnessOsd.h"
#include "res/resource.h"
#include "sheet/SettingsSheet.h"

const UINT TrayIconId = 0;
// The splash picture's transparent colour and how long it stays.
const COLORREF SplashKeyColour = RGB(0, 255, 0);
const UINT SplashDisplayMs = 3000;

// Shows a power status on the tray icon and the indicator.
static void ShowPowerStatus(const PowerStatus *status)
{
    if (appState.trayImages)
        appState.trayImages->Update(status->percent, status->state, status->text);
    if (appState.indicator)
        appState.indicator->Update(status->percent, status->state, status->minutes, status->text);
}

// Reads the power status and shows it; the caller gets the reading.
static void RefreshPowerDisplays(PowerStatus *status)
{
    ReadPowerStatus(status);
    ShowPowerStatus(status);
}

// Ends one of the main window's objects with its own tear-down (Destroy or Release), deletes it
// and forgets it; nothing to do when it is absent.
template <class Object, class Result> static void EndObject(Object *&object, Result (Object::*tearDown)())
{
    if (!object)
        return;
    (object->*tearDown)();
    delete object;
    object = NULL;
}

// Every change of the indicator's settings builds a new one from the stored values.
static void RebuildIndicator(HWND window)
{
    EndObject(appState.indicator, &IndicatorWindow::Destroy);
    DWORD show, number, position, vertical, mode;
    LoadIndicatorSettings(&show, &number, &position, &vertical, &mode);
    if (!show)
        return;
    PowerStatus status;
    ReadPowerStatus(&status);
    appState.indicator = new (std::nothrow) IndicatorWindow;
    if (appState.indicator)
        appState.indicator->Create(appState.instance, window, appState.installFolder, appState.resourceFolder, number,
                                   mode, position, vertical == 0, status.percent, status.state, status.minutes,
                                   status.text);
}

// The gauge polls even when its window could not be made: every Show then fails quietly.
static void CreateBrightnessGauge(HWND window, DWORD lcdCount)
{
    appState.osd = new (std::nothrow) BrightnessOsd;
    if (!appState.osd)
        return;
    appState.osd->Create(appState.instance, window, DisplayGaugeStyle(LOWORD(lcdCount)));
    appState.osdPolling.shown = FALSE;
    appState.osdPolling.ticks = 0;
    SetTimer(window, BrightnessTimer, SlowBrightnessPeriod, NULL);
}

// Polls the backlight level: a change shows the gauge and speeds polling up; 13 quiet ticks
// later the gauge goes, 100 later polling slows down again.
static void OnBrightnessTimer(HWND window)
{
    if (!appState.osd || !appState.driver)
        return;
    DWORD word = 0;
    BOOL read = appState.driver->AccessLcdLevel(FALSE, &word);
    BrightnessActions actions = StepBrightnessPolling(&appState.osdPolling, read, word);
    if (actions.hideGauge)
        ShowWindow(appState.osd->Window(), SW_HIDE);
    if (actions.showGauge)
        appState.osd->Show(actions.level);
    if (actions.newPeriod)
        SetTimer(window, BrightnessTimer, actions.newPeriod, NULL);
}

static LRESULT OnCreate(HWND window)
{
    appState.trayPicture = (HICON)LoadImageA(appState.instance, MAKEINTRESOURCEA(IDI_TRAY_START),
                                             IMAGE_ICON, 16, 16, 0);
    appState.trayIcon = new (std::nothrow) TrayIcon;
    if (appState.trayIcon)
        appState.trayIcon->Add(window, TrayCallbackMessage, TrayIconId, appState.trayPicture, NULL);

    // The splash window is shown here unless the switch D asks otherwise.
    DWORD noSplash = 0;
    ReadMainWindowSwitches(NULL, &noSplash);
    if (!noSplash) {
        appState.splash = new (std::nothrow) SplashWindow;
        if (appState.splash)
            appState.splash->CreateFromResource(appState.instance, window, IDB_SPLASH_LOW, IDB_SPLASH_HIGH, 1,
                                                &SplashKeyColour, SplashDisplayMs, NULL);
    }

    appState.trayImages = new (std::nothrow) BatteryIconSet;
    if (appState.trayImages)
        appState.trayImages->Load(appState.instance, appState.trayIcon, appState.smallAppIcon,
                                  appState.installFolder, appState.resourceFolder);

    // These run once the message loop does: push the levels, build the indicator, re-send ring.
    PostMessageA(window, SettingsChangedMessage, PowerControlChanged, 0);
    PostMessageA(window, SettingsChangedMessage, IndicatorChanged, 0);
    PostMessageA(window, SettingsChangedMessage, RingResumeChanged, 0);

    // The brightness gauge needs a driver that reports the backlight and more than two levels;
    // without the gauge object BrightnessTimer is not started. A level read that fails now would
    // cost the gauge for the whole run; the polling tolerates failed reads.
    if (appState.driver) {
        DWORD opened = 0, lcdSupported = 0, lcdCount = 0;
        appState.driver->GetInfo(&opened, NULL, NULL, &lcdSupported, &lcdCount, NULL, NULL);
        if (opened && lcdSupported && lcdCount > 2)
            CreateBrightnessGauge(window, lcdCount);
    }

    appState.statusTicks = 10000;   // the first tick refreshes at once
    SetTimer(window, StatusTimer, StatusPeriod, NULL);
    return 0;
}

static LRESULT OnDestroy(HWND window)
{
    KillTimer(window, StatusTimer);
    KillTimer(window, BrightnessTimer);
    EndObject(appState.osd, &BrightnessOsd::Destroy);
    EndObject(appState.trayImages, &BatteryIconSet::Release);
    EndObject(appState.indicator, &IndicatorWindow::Destroy);
    EndObject(appState.splash, &SplashWindow::Destroy);
    delete appState.trayIcon;   // removes the icon from the notification area
    appState.trayIcon = NULL;
    if (appState.trayPicture) {
        DestroyIcon(appState.trayPicture);
        appState.trayPicture = NULL;
    }
    PostQuitMessage(0);
    return 0;
}

static void OnPowerBroadcast(WPARAM event)
{
    if (event != PBT_APMRESUMECRITICAL && event != PBT_APMRESUMESUSPEND && event != PBT_APMPOWERSTATUSCHANGE
            && event != PBT_APMRESUMEAUTOMATIC)
        return;
    appState.statusTicks = 0;
    PowerStatus status;
    RefreshPowerDisplays(&status);
    BOOL onAc = IsOnAc(status.state);
    // A status change pushes the levels only when the power source changed; a resume always does.
    if (event == PBT_APMPOWERSTATUSCHANGE) {
        if (onAc == appState.onAcPower)
            return;
        appState.onAcPower = onAc;
    }
    if (appState.driver)
        appState.driver->ApplyPowerLevels(FALSE, onAc);
}

// Wine sends no power broadcast: each tick reads the power status and does what the broadcast
// would when the machine slept or the AC line changed. Where the broadcast comes it has already
// updated onAcPower, and the tick finds nothing to do. Every twentieth tick shows the reading.
static void OnStatusTick()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    if (SleptSinceLastTick(&appState.sleepWatch, GetTickCount(),
                           (ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime))
        OnPowerBroadcast(PBT_APMRESUMESUSPEND);
    PowerStatus status;
    ReadPowerStatus(&status);
    if (IsOnAc(status.state) != appState.onAcPower)
        OnPowerBroadcast(PBT_APMPOWERSTATUSCHANGE);
    if (++appState.statusTicks >= RefreshEveryTicks) {
        appState.statusTicks = 0;
        ShowPowerStatus(&status);
    }
}

static LRESULT OnTimer(HWND window, UINT_PTR id, LPARAM lParam)
{
    if (id == StatusTimer) {
        OnStatusTick();
        if (appState.trayImages)
            appState.trayImages->Blink();
        // The splash hides itself when its time is up; it is removed at the next tick. One whose
        // creation failed has no window and goes at the first tick.
        BOOL splashVisible = FALSE;
        if (appState.splash && (!appState.splash->IsVisible(&splashVisible) || !splashVisible))
            EndObject(appState.splash, &SplashWindow::Destroy);
        return 0;
    }
    if (id == BrightnessTimer) {
        OnBrightnessTimer(window);
        return 0;
    }
    return DefWindowProcA(window, WM_TIMER, id, lParam);
}

static void BringForward(HWND window)
{
    SetForegroundWindow(appState.sheetWindow ? appState.sheetWindow : window);
}

static void OnTrayCallback(HWND window, LPARAM mouseMessage)
{
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:   BringForward(window); break;
    case WM_LBUTTONDBLCLK: PostMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0); break;
    case WM_RBUTTONDOWN:   PostMessageA(window, WM_COMMAND, IDM_SHOW_MENU, 0); break;
    }
}

static void ShowTrayMenu(HWND window)
{
    // A second request reaches this procedure through the open menu's own loop: that menu stays.
    if (appState.trayMenu)
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(window);
    appState.trayMenu = new (std::nothrow) TrayMenu;
    if (!appState.trayMenu)
        return;
    if (appState.trayMenu->Load(appState.instance, IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER)) {
        appState.trayMenu->Track(window, cursor);
        // Lets the menu close properly when it is opened again from the icon.
        PostMessageA(window, WM_NULL, 0, 0);
    }
    delete appState.trayMenu;
    appState.trayMenu = NULL;
}

static LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDM_SHOW_MENU:
        ShowTrayMenu(window);
        return 0;
    case IDM_PROPERTIES:
        // The settings sheet runs modally; a second request while it runs brings it forward.
        if (appState.sheetOpen) {
            BringForward(window);
            return 0;
        }
        appState.sheetOpen = TRUE;
        OpenSettingsSheet(appState.instance, window, SheetStartPage);
        appState.sheetOpen = FALSE;
        return 0;
    case IDM_HELP:
        WinHelpA(window, appState.helpPath, HELP_CONTENTS, 0);
        return 0;
    case IDM_EXIT:
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
}

static void OnSettingsChanged(WPARAM what)
{
    DriverChannel *driver = appState.driver;
    if (what == PowerControlChanged) {
        if (!driver)
            return;
        PowerStatus status;
        ReadPowerStatus(&status);
        driver->ApplyPowerLevels(TRUE, IsOnAc(status.state));
    } else if (what == IndicatorChanged) {
        RebuildIndicator(appState.mainWindow);
    } else if (what == RingResumeChanged) {
        // The driver's own setting is written back unchanged.
        DWORD ring = 0;
        if (driver && driver->AccessRingResume(FALSE, &ring))
            driver->AccessRingResume(TRUE, &ring);
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // While the popup menu is open its banner and animation come first.
    LRESULT result = 0;
    if (appState.trayMenu && appState.trayMenu->HandleMenuMessage(message, wParam, lParam, &result))
        return result;

    switch (message) {
    case WM_CREATE:
        appState.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_ERASEBKGND:
        return 1;   // the window is never shown
    case WM_TIMER:
        return OnTimer(window, wParam, lParam);
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wParam);
        break;      // the default handling grants suspend queries
    case WM_COMMAND:
        return OnCommand(window, wParam, lParam);
    case TrayCallbackMessage:
        OnTrayCallback(window, lParam);
        return 0;
    case SettingsChangedMessage:
        OnSettingsChanged(wParam);
        return 0;
    }
    // A new notification area (Explorer restarted) knows nothing of the icon: add it again.
    if (message == appState.taskbarCreatedMessage && message != 0 && appState.trayIcon) {
        appState.trayIcon->Readd();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
