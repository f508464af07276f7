// A day of running, compressed: the real main window with its tray icon, indicator, gauge and the
// simulated driver gets a day's status ticks, brightness changes, indicator rebuilds, sheet openings
// and menu openings. Time is delivered, not waited for: the test sends the timer messages itself and
// drives the modal sheet and menu from inside their own loops. At the end of the day the process
// holds exactly the GDI objects, icons, menus and windows it held after the first round.
//
// KESTREL_SOAK_ROUNDS sets the length: 200 rounds make the whole day (make soak); the default of 3
// is the short round that every test run makes.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include "FakeBattery.h"
#include "SimControl.h"
#include "TestPaths.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "app/Startup.h"
#include "app/Text.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "common/GdiCount.h"
#include "driver/DriverChannel.h"
#include "gfx/SplashWindow.h"
#include "indicator/IndicatorWindow.h"
#include "osd/BrightnessOsd.h"
#include "res/resource.h"
#include "scenario/Scenario.h"
#include "sheet/IndicatorPage.h"
#include "sheet/OtherPage.h"
#include "sheet/PowerControlPage.h"

namespace {

const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";

// One round is a two-hundredth of a day: 864 half-second ticks (172,800 in all, 8,640 refreshes),
// 5 brightness changes and a menu opening; every fourth round also rebuilds the indicator with a
// new skin and mode, opens the sheet and rebuilds the indicator as it was (100 rebuilds, 50 sheets).
const UINT DayRounds = 200;
const UINT ShortRounds = 3;
const UINT TicksPerRound = 864;
const UINT BrightnessChangesPerRound = 5;
const UINT SettingsRoundEvery = 4;
const UINT SkinCount = 3;            // the installation image's Indicator01.dat to Indicator03.dat
const UINT LcdLevels = 8;            // the simulated driver's default

// Private steps, posted to the main window so that the sheet's and the menu's own loops run them.
const UINT SheetStepMessage = WM_APP + 1;

struct Counts {
    UINT gdi, icons, menus, windows;
};

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*(UINT *)count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count)
{
    ++*(UINT *)count;
    EnumChildWindows(window, CountChild, count);
    return TRUE;
}

// The windows of this thread, children included (the tests and the program share the one thread).
UINT CountWindows()
{
    UINT count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, (LPARAM)&count);
    return count;
}

// The system's cached device contexts keep their visible regions with the window they last served,
// the desktop included, so how many regions the desktop keeps depends on how many screen DCs were
// last held at once. Each count, and the warm-up between its steps, first holds and draws through
// the same number, so that counts compare the program's objects rather than the state of the cache.
const UINT SettledScreenDcs = 8;

void SettleScreenDcs()
{
    HDC dcs[SettledScreenDcs];
    for (UINT i = 0; i < SettledScreenDcs; i++) {
        dcs[i] = GetDC(NULL);
        GetPixel(dcs[i], 0, 0);   // a DC's visible region is made when it is first drawn from
    }
    for (UINT i = SettledScreenDcs; i-- > 0;)
        ReleaseDC(NULL, dcs[i]);
}

Counts Count()
{
    SettleScreenDcs();
    Counts c = { CountGdiObjects(), CountIcons(), CountMenus(), CountWindows() };
    return c;
}

bool operator==(const Counts &a, const Counts &b)
{
    return a.gdi == b.gdi && a.icons == b.icons && a.menus == b.menus && a.windows == b.windows;
}

std::ostream &operator<<(std::ostream &out, const Counts &c)
{
    return out << "GDI objects " << c.gdi << ", icons " << c.icons << ", menus " << c.menus << ", windows "
               << c.windows;
}

// What the drivers of the modal loops saw; checked after each opening.
struct LoopRecord {
    UINT sheetOpening;       // which opening the sheet steps belong to
    UINT pagesVisited;       // pages shown by the sheet steps of this opening
    UINT tabs;               // the sheet's page count
    BOOL sheetClosed;        // the last step asked the sheet to close
    BOOL menuDriven;         // the menu reached its idle loop and was animated and closed
    BOOL bannerAtRest;       // the banner's picture arrived at the bottom
    BOOL watchdogFired;      // the loop had to be closed from outside
};

WNDPROC mainProcedure;
LoopRecord loop;

// Sheet steps 0 to 3 show the pages in tab order from the one the sheet opened on and change
// something on each that has settings; step 4 applies; step 5 closes, with OK or Cancel in turn.
void DriveSheet(HWND window, UINT step)
{
    HWND sheet = appState.sheetWindow;
    if (!sheet)
        return;   // never open: the opening's checks report it
    const UINT pageOrder[4] = { 1, 2, 3, 0 };
    if (step < 4) {
        UINT index = pageOrder[step];
        HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
        loop.tabs = (UINT)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
        SendMessageA(sheet, PSM_SETCURSEL, index, 0);
        HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
        if (page && (UINT)SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == index)
            loop.pagesVisited++;
        if (index == 1) {
            HWND slider = GetDlgItem(page, IdcBacklightAc);
            SendMessageA(slider, TBM_SETPOS, TRUE, loop.sheetOpening % LcdLevels);
            SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)slider);
        } else if (index == 2) {
            HWND list = GetDlgItem(page, IdcKindList);
            SendMessageA(list, CB_SETCURSEL, loop.sheetOpening % SkinCount, 0);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IdcKindList, CBN_SELCHANGE), (LPARAM)list);
            for (int i = 0; i < 3; i++)
                SendMessageA(page, WM_TIMER, SampleTimer, 0);
        } else if (index == 3) {
            CheckDlgButton(page, IdcRingResume, loop.sheetOpening % 2 ? BST_CHECKED : BST_UNCHECKED);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IdcRingResume, BN_CLICKED),
                         (LPARAM)GetDlgItem(page, IdcRingResume));
        }
        RedrawWindow(sheet, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    } else if (step == 4) {
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    } else {
        loop.sheetClosed = TRUE;
        PostMessageA(sheet, PSM_PRESSBUTTON, loop.sheetOpening % 2 ? PSBTN_CANCEL : PSBTN_OK, 0);
        return;
    }
    PostMessageA(window, SheetStepMessage, step + 1, 0);
}

// Runs inside the menu's loop once the menu is shown and painted: every animation step of the
// banner is delivered and painted, then the menu is closed.
void DriveMenu(HWND window)
{
    TrayMenu *menu = appState.trayMenu;
    if (!menu || loop.menuDriven)
        return;
    for (UINT i = 0; i < BannerStepCount; i++) {
        SendMessageA(window, WM_TIMER, MenuAnimationTimer, 0);
        if (menu->MenuWindow())
            UpdateWindow(menu->MenuWindow());
    }
    loop.bannerAtRest = menu->MenuWindow() != NULL && menu->Step() == BannerRestStep;
    loop.menuDriven = TRUE;
    EndMenu();
}

LRESULT CALLBACK SoakProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == SheetStepMessage) {
        DriveSheet(window, (UINT)wParam);
        return 0;
    }
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU)
        DriveMenu(window);
    return CallWindowProcA(mainProcedure, window, message, wParam, lParam);
}

// A modal loop that does not end would hang the run: after this long the watchdog closes
// whatever is open and the opening's checks fail.
const UINT WatchdogMs = 20000;

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD)
{
    loop.watchdogFired = TRUE;
    EndMenu();
    if (appState.sheetWindow)
        PostMessageA(appState.sheetWindow, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// Runs the thread's messages, and with them any modal loop they start, until none is left.
void PumpGuarded()
{
    UINT_PTR watchdog = SetTimer(NULL, 0, WatchdogMs, Watchdog);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    KillTimer(NULL, watchdog);
}

// The battery over the day: draining, low, charging, full on AC, no battery, unknown line.
struct BatteryPhase {
    FakeBatteryState state;
    DWORD percent;
    DWORD minutes;
};
const BatteryPhase BatteryDay[] = {
    { FakeOnBattery, 92, 300 }, { FakeOnBattery, 47, 140 }, { FakeOnBattery, 4, 9 },
    { FakeAcCharging, 35, 0 }, { FakeAcCharging, 81, 0 }, { FakeAcNotCharging, 100, 0 },
    { FakeAcNoBattery, 0, 0 }, { FakeStatusUnknown, 60, 0 },
};

class SoakTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        battery = FakeBatteryFolder();
        REQUIRE_TEST_WORLD(battery, "no fake battery: the test run could not make a private mount namespace");
        SimState state;
        REQUIRE_TEST_WORLD(SimGetState(&state), "the driver simulator is not loaded in this prefix");
        ASSERT_TRUE(SimReset());
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);

        ZeroMemory(&appState, sizeof appState);
        appState.instance = GetModuleHandleA(NULL);
        CopyText(appState.installFolder, sizeof appState.installFolder, KESTREL_IMAGE_DIR);
        CopyText(appState.resourceFolder, sizeof appState.resourceFolder, KESTREL_IMAGE_DIR "\\Resource\\");
        appState.smallAppIcon = (HICON)LoadImageA(appState.instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON),
                                                  IMAGE_ICON, 16, 16, 0);
        InitCommonControls();
        ASSERT_TRUE(RegisterMainWindowClass(appState.instance));
        // An APM channel: the sheet shows all four pages.
        appState.driver = new DriverChannel;
        ASSERT_TRUE(appState.driver->Open("Kestrel.exe /Z", KESTREL_IMAGE_DIR));
    }
    void TearDown() override
    {
        if (appState.driver) {
            appState.driver->Close();
            delete appState.driver;
        }
        if (appState.smallAppIcon)
            DestroyIcon(appState.smallAppIcon);
        ZeroMemory(&appState, sizeof appState);
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        if (battery)
            FakeBatterySet(battery, FakeAcNotCharging, 100, 0);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            ;   // the quit message and the window's posted notices
    }

    // Builds the main window as start-up does, with the splash gone and the posted start-up notices
    // (levels pushed, indicator built, ring re-sent) handled.
    HWND CreateMainWindow()
    {
        appState.mainWindow = CreateWindowExA(0, KestrelInstanceName, "", WS_POPUP | WS_DISABLED, 0, 0, 0, 0, NULL,
                                              NULL, appState.instance, NULL);
        HWND window = appState.mainWindow;
        if (!window)
            return NULL;
        mainProcedure = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)SoakProc);
        Pump();
        if (appState.splash)
            SendMessageA(appState.splash->Window(), WM_TIMER, SplashHideTimer, 0);
        SendMessageA(window, WM_TIMER, StatusTimer, 0);   // removes the hidden splash
        return window;
    }
    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }

    void StatusTicks(HWND window, UINT count)
    {
        for (UINT i = 0; i < count; i++)
            SendMessageA(window, WM_TIMER, StatusTimer, 0);
        ticks += count;
    }

    // A brightness key press, then the polling ticks until the next: a short pause keeps the gauge
    // shown for the next change, a longer one lets it hide, the longest lets polling slow down.
    void BrightnessChange(HWND window)
    {
        UINT change = brightnessChanges++;
        ASSERT_TRUE(SimPress(change % LcdLevels));
        SendMessageA(window, WM_TIMER, BrightnessTimer, 0);
        HWND gauge = appState.osd ? appState.osd->Window() : NULL;
        ASSERT_TRUE(gauge && IsWindowVisible(gauge)) << "brightness change " << change;
        const UINT quietTicks[4] = { 2, 14, 5, 110 };
        UINT quiet = quietTicks[change % 4];
        for (UINT i = 0; i < quiet; i++)
            SendMessageA(window, WM_TIMER, BrightnessTimer, 0);
        EXPECT_EQ(quiet < 13, IsWindowVisible(gauge) != FALSE) << "brightness change " << change;
    }

    // A new skin, layout or mode stored and announced; now and then the indicator is switched off.
    void RebuildIndicator(HWND window, BOOL canonical)
    {
        UINT n = rebuilds++;
        DWORD show = canonical || n % 10 != 7 ? 1 : 0;
        DWORD number = canonical ? 1 : 2 + n % (SkinCount - 1);
        DWORD mode = canonical ? 1 : n % 4;
        DWORD vertical = canonical ? 0 : n % 2;
        DWORD position = canonical ? PositionTopRight : n % 5;
        AccessSetting(TRUE, SettingIndicatorShow, &show);
        AccessSetting(TRUE, SettingIndicatorNumber, &number);
        AccessSetting(TRUE, SettingIndicatorMode, &mode);
        AccessSetting(TRUE, SettingIndicatorVertical, &vertical);
        AccessSetting(TRUE, SettingIndicatorPosition, &position);
        SendMessageA(window, SettingsChangedMessage, IndicatorChanged, 0);
        if (show) {
            ASSERT_TRUE(appState.indicator && IsWindowVisible(appState.indicator->Window())) << "rebuild " << n;
        } else {
            EXPECT_TRUE(appState.indicator == NULL) << "rebuild " << n;
        }
    }

    // The sheet from the tray's double click: every page shown and changed, applied, closed.
    void OpenSheet(HWND window)
    {
        ZeroMemory(&loop, sizeof loop);
        loop.sheetOpening = sheetOpenings++;
        PostMessageA(window, WM_COMMAND, CmdProperties, 0);
        PostMessageA(window, SheetStepMessage, 0, 0);
        PumpGuarded();   // runs the sheet's loop to its end, then the notices its apply posted
        ASSERT_FALSE(loop.watchdogFired) << "sheet opening " << loop.sheetOpening << " did not close";
        ASSERT_TRUE(loop.sheetClosed) << "sheet opening " << loop.sheetOpening;
        EXPECT_EQ(4u, loop.tabs);
        EXPECT_EQ(4u, loop.pagesVisited) << "sheet opening " << loop.sheetOpening;
        EXPECT_FALSE(appState.sheetOpen);
        EXPECT_TRUE(appState.sheetWindow == NULL);
        // The apply stored what the pages were given.
        DWORD number = 0, backlight = 99;
        AccessSetting(FALSE, SettingIndicatorNumber, &number);
        AccessSetting(FALSE, SettingLcdBacklightAc, &backlight);
        EXPECT_EQ(1 + loop.sheetOpening % SkinCount, number);
        EXPECT_EQ(loop.sheetOpening % LcdLevels, backlight);
    }

    void OpenMenu(HWND window)
    {
        ZeroMemory(&loop, sizeof loop);
        PostMessageA(window, WM_COMMAND, CmdShowMenu, 0);
        PumpGuarded();   // runs the menu's loop until its idle step closes it
        menuOpenings++;
        ASSERT_FALSE(loop.watchdogFired) << "menu opening " << menuOpenings << " did not close";
        ASSERT_TRUE(loop.menuDriven) << "menu opening " << menuOpenings;
        EXPECT_TRUE(loop.bannerAtRest) << "menu opening " << menuOpenings;
        EXPECT_TRUE(appState.trayMenu == NULL);
    }

    // One round, left as every round is left: the first battery state, the gauge hidden and its
    // polling slow, the indicator as the settings rounds leave it.
    void Round(HWND window, UINT round)
    {
        const BatteryPhase &phase = BatteryDay[round % ARRAYSIZE(BatteryDay)];
        ASSERT_TRUE(FakeBatterySet(battery, phase.state, phase.percent, phase.minutes));
        SendMessageA(window, WM_POWERBROADCAST, round % 2 ? PBT_APMPOWERSTATUSCHANGE : PBT_APMRESUMESUSPEND, 0);
        const UINT ticksBetween = TicksPerRound / BrightnessChangesPerRound / 2;
        for (UINT i = 0; i < BrightnessChangesPerRound; i++) {
            ASSERT_NO_FATAL_FAILURE(StatusTicks(window, ticksBetween));
            ASSERT_NO_FATAL_FAILURE(BrightnessChange(window));
        }
        StatusTicks(window, TicksPerRound - ticksBetween * BrightnessChangesPerRound);
        if (round % SettingsRoundEvery == 1) {
            ASSERT_NO_FATAL_FAILURE(RebuildIndicator(window, FALSE));
            ASSERT_NO_FATAL_FAILURE(OpenSheet(window));
            ASSERT_NO_FATAL_FAILURE(RebuildIndicator(window, TRUE));
        }
        ASSERT_NO_FATAL_FAILURE(OpenMenu(window));
        ASSERT_TRUE(FakeBatterySet(battery, BatteryDay[0].state, BatteryDay[0].percent, BatteryDay[0].minutes));
        SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        for (UINT i = 0; i < 110; i++)
            SendMessageA(window, WM_TIMER, BrightnessTimer, 0);
        Pump();
    }

    const char *battery = NULL;
    UINT ticks = 0, brightnessChanges = 0, rebuilds = 0, sheetOpenings = 0, menuOpenings = 0;
};

UINT SoakRounds()
{
    const char *value = getenv("KESTREL_SOAK_ROUNDS");
    int rounds = value ? atoi(value) : 0;
    return rounds > 0 ? (UINT)rounds : ShortRounds;
}

void PrintCounts(const char *when, const Counts &c)
{
    printf("soak: %-22s GDI objects %u, icons %u, menus %u, windows %u\n", when, c.gdi, c.icons, c.menus, c.windows);
}

TEST_F(SoakTest, ADayOfRunningLosesNoObjectAndDestroyReleasesEverything)
{
    // What the system libraries make once per process (the common controls' sheet and tooltip
    // resources, the menus' own bitmaps, the first shown window's) is theirs: a main window that
    // does everything of a round once, the sheet closed with OK and with Cancel, comes and goes first.
    HWND warm = CreateMainWindow();
    ASSERT_TRUE(warm != NULL);
    ASSERT_TRUE(appState.trayIcon && appState.trayIcon->Added()) << "no notification area";
    ASSERT_TRUE(appState.osd != NULL) << "no brightness gauge: the simulated driver reports no levels";
    SettleScreenDcs();
    ASSERT_NO_FATAL_FAILURE(BrightnessChange(warm));
    ASSERT_NO_FATAL_FAILURE(RebuildIndicator(warm, FALSE));
    SettleScreenDcs();
    ASSERT_NO_FATAL_FAILURE(OpenSheet(warm));
    SettleScreenDcs();
    ASSERT_NO_FATAL_FAILURE(OpenSheet(warm));
    SettleScreenDcs();
    ASSERT_NO_FATAL_FAILURE(RebuildIndicator(warm, TRUE));
    ASSERT_NO_FATAL_FAILURE(OpenMenu(warm));
    ASSERT_TRUE(DestroyWindow(warm));
    Pump();
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    ticks = brightnessChanges = rebuilds = sheetOpenings = menuOpenings = 0;
    Counts before = Count();

    DWORD start = GetTickCount();
    HWND window = CreateMainWindow();
    ASSERT_TRUE(window != NULL);
    UINT rounds = SoakRounds();
    ASSERT_NO_FATAL_FAILURE(Round(window, 0));
    Counts firstRound = Count();
    for (UINT round = 1; round < rounds; round++)
        ASSERT_NO_FATAL_FAILURE(Round(window, round));
    Counts end = Count();
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(firstRound, end);
    EXPECT_EQ(rounds * TicksPerRound, ticks);

    ASSERT_TRUE(DestroyWindow(window));
    Pump();
    EXPECT_TRUE(appState.trayIcon == NULL && appState.indicator == NULL && appState.osd == NULL);
    Counts after = Count();
    EXPECT_EQ(before, after) << "what the main window built, its end did not release";

    printf("soak: %u of %u rounds in %lu.%03lu s: %u status ticks, %u brightness changes, %u indicator "
           "rebuilds, %u sheet openings, %u menu openings\n", rounds, DayRounds, elapsed / 1000, elapsed % 1000,
           ticks, brightnessChanges, rebuilds, sheetOpenings, menuOpenings);
    PrintCounts("before the window:", before);
    PrintCounts("after the first round:", firstRound);
    PrintCounts("at the end:", end);
    PrintCounts("after the window:", after);
}

} // namespace
