// The real main window in the test process, with its tray icon, indicator, gauge and the simulated
// driver. Time is delivered, not waited for: the test sends the timer messages itself and drives the
// modal sheet and menu from inside their own loops. First what the window does with its ticks, its
// menu and its splash; then a day of running, compressed: a day's status ticks, brightness changes,
// indicator rebuilds, sheet openings and menu openings, after which the process holds exactly the
// GDI objects, icons, menus and windows it held after the first round, and the window's end gives
// back everything its creation took.
//
// KESTREL_SOAK_ROUNDS sets the length: 200 rounds make the whole day (make soak); the default of 3
// is the short round that every test run makes.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "FakeBattery.h"
#include "SimControl.h"
#include "TestPaths.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "app/Startup.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "common/Gdi.h"
#include "driver/DriverChannel.h"
#include "gfx/SplashWindow.h"
#include "gfx/Text.h"
#include "indicator/IndicatorWindow.h"
#include "osd/BrightnessOsd.h"
#include "res/resource.h"
#include "scenario/Scenario.h"
#include "sheet/IndicatorPage.h"
#include "sheet/OtherPage.h"
#include "sheet/PowerControlPage.h"

namespace {

// One round is a two-hundredth of a day: 864 half-second ticks (172,800 in all, 8,640 refreshes),
// 5 brightness changes and a menu opening; every fourth round also rebuilds the indicator with a
// new skin and mode, opens the sheet and rebuilds the indicator as it was (100 rebuilds, 50 sheets).
const UINT DayRounds = 200, ShortRounds = 3, TicksPerRound = 864, ChangesPerRound = 5, SettingsRoundEvery = 4;
const UINT SkinCount = 3;   // the installation image's Indicator01.dat to Indicator03.dat
const UINT LcdLevels = 8;   // the simulated driver's default
// Sheet steps, posted to the main window so that the sheet's own loop runs them.
const UINT SheetStepMessage = WM_APP + 1;
// A modal loop that does not end would hang the run: after this long it is closed from outside.
const UINT WatchdogMs = 20000;

// The objects of this process, and the windows of its one thread (tests and program share it), as
// "GDI objects 41, icons 6, menus 0, windows 9".
typedef std::string Counts;

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*(UINT *)count;
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

// The system's cached device contexts keep their visible regions with the window they last served,
// so how many regions the desktop keeps depends on how many screen DCs were last held at once.
// Each count first holds and draws through the same number, so that counts compare the program's
// objects rather than the state of the cache.
void SettleScreenDcs()
{
    HDC dcs[8];
    for (HDC &dc : dcs)
        GetPixel(dc = GetDC(NULL), 0, 0);   // a DC's visible region is made when it is first drawn from
    for (int i = 7; i >= 0; i--)
        ReleaseDC(NULL, dcs[i]);
}

Counts Count()
{
    SettleScreenDcs();
    UINT windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, (LPARAM)&windows);
    return "GDI objects " + std::to_string(CountGdiObjects()) + ", icons " + std::to_string(CountIcons()) + ", menus " +
           std::to_string(CountMenus()) + ", windows " + std::to_string(windows);
}

// What the drivers of the modal loops saw; checked after each opening.
struct LoopRecord {
    UINT sheetOpening, pagesVisited, tabs, proposedHeight;
    BOOL sheetClosed, menuDriven, bannerAtRest, watchdogFired;
    RECT banner;
} loop;
WNDPROC mainProcedure;

// Sheet steps 0 to 3 show the pages in tab order from the one the sheet opened on and change
// something on each that has settings; step 4 applies; step 5 closes, with OK or Cancel in turn.
void DriveSheet(HWND window, UINT step)
{
    HWND sheet = appState.sheetWindow;
    if (!sheet)
        return;   // never open: the opening's checks report it
    const UINT index = (step + 1) % 4, opening = loop.sheetOpening;
    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    if (step < 4) {
        loop.tabs = (UINT)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
        SendMessageA(sheet, PSM_SETCURSEL, index, 0);
        HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
        loop.pagesVisited += page && (UINT)SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == index;
        if (index == 1) {
            HWND slider = GetDlgItem(page, IDC_BACKLIGHT_AC);
            SendMessageA(slider, TBM_SETPOS, TRUE, opening % LcdLevels);
            SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)slider);
        } else if (index == 2) {
            HWND list = GetDlgItem(page, IDC_KIND_LIST);
            SendMessageA(list, CB_SETCURSEL, opening % SkinCount, 0);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_KIND_LIST, CBN_SELCHANGE), (LPARAM)list);
            for (int i = 0; i < 3; i++)
                SendMessageA(page, WM_TIMER, SampleTimer, 0);
        } else if (index == 3) {
            CheckDlgButton(page, IDC_RING_RESUME, opening % 2 ? BST_CHECKED : BST_UNCHECKED);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_RING_RESUME, BN_CLICKED), (LPARAM)GetDlgItem(page, IDC_RING_RESUME));
        }
        RedrawWindow(sheet, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    } else if (step == 4) {
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    } else {
        loop.sheetClosed = TRUE;
        PostMessageA(sheet, PSM_PRESSBUTTON, opening % 2 ? PSBTN_CANCEL : PSBTN_OK, 0);
        return;
    }
    PostMessageA(window, SheetStepMessage, step + 1, 0);
}

LRESULT CALLBACK SoakProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == SheetStepMessage) {
        DriveSheet(window, (UINT)wParam);
        return 0;
    }
    if (message == WM_MEASUREITEM)
        loop.proposedHeight = ((MEASUREITEMSTRUCT *)lParam)->itemHeight;
    // Inside the menu's loop once it is shown: a second request for the menu comes in through the
    // loop (a second menu would never close), and every animation step is delivered and painted.
    TrayMenu *menu = appState.trayMenu;
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && menu && !loop.menuDriven) {
        PostMessageA(window, WM_COMMAND, IDM_SHOW_MENU, 0);
        GetMenuItemRect(window, menu->Popup(), 0, &loop.banner);
        for (UINT i = 0; i < BannerStepCount; i++) {
            SendMessageA(window, WM_TIMER, MenuAnimationTimer, 0);
            UpdateWindow(menu->MenuWindow());
        }
        loop.bannerAtRest = menu->MenuWindow() != NULL && menu->Step() == BannerRestStep;
        loop.menuDriven = TRUE;
        EndMenu();
    }
    return CallWindowProcA(mainProcedure, window, message, wParam, lParam);
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD)
{
    loop.watchdogFired = TRUE;
    EndMenu();
    if (appState.sheetWindow)
        PostMessageA(appState.sheetWindow, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// Runs the thread's messages, and with them any modal loop they start, until none is left.
void Pump()
{
    UINT_PTR watchdog = SetTimer(NULL, 0, WatchdogMs, Watchdog);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    KillTimer(NULL, watchdog);
}

// Every call of the process to the shell's notification area goes through its import table;
// pointed at CountedNotifyIcon, that table counts them.
UINT shellCalls;
BOOL(WINAPI *realNotifyIcon)(DWORD, NOTIFYICONDATAA *);

BOOL WINAPI CountedNotifyIcon(DWORD message, NOTIFYICONDATAA *data)
{
    shellCalls++;
    return realNotifyIcon(message, data);
}

// Replaces the address this program calls for an imported function; returns the one it had, or
// null when the program does not import it.
void *ReplaceImport(const char *dll, const char *function, void *replacement)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    const IMAGE_NT_HEADERS *headers = (const IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + imports.VirtualAddress); d->Name; d++) {
        if (lstrcmpiA((const char *)(base + d->Name), dll) != 0)
            continue;
        IMAGE_THUNK_DATA *name = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slot = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; name->u1.AddressOfData; name++, slot++) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)
                    || lstrcmpA((const char *)((IMAGE_IMPORT_BY_NAME *)(base + name->u1.AddressOfData))->Name, function))
                continue;
            DWORD protection;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            void *previous = (void *)slot->u1.Function;
            slot->u1.Function = (ULONG_PTR)replacement;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return previous;
        }
    }
    return NULL;
}

// The battery over the day: draining, low, charging, full on AC, no battery, unknown line.
const struct { FakeBatteryState state; DWORD percent, minutes; } BatteryDay[] = {
    { FakeOnBattery, 92, 300 }, { FakeOnBattery, 47, 140 }, { FakeOnBattery, 4, 9 }, { FakeAcCharging, 35, 0 },
    { FakeAcCharging, 81, 0 }, { FakeAcNotCharging, 100, 0 }, { FakeAcNoBattery, 0, 0 }, { FakeStatusUnknown, 60, 0 },
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
        ClearStoredSettings();
        ZeroMemory(&appState, sizeof appState);
        appState.instance = GetModuleHandleA(NULL);
        CopyText(appState.installFolder, PathSize, KESTREL_IMAGE_DIR);
        CopyText(appState.resourceFolder, PathSize, KESTREL_IMAGE_DIR "\\Resource\\");
        appState.smallAppIcon = (HICON)LoadImageA(appState.instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON), IMAGE_ICON,
                                                  16, 16, 0);
        InitCommonControls();
        ASSERT_TRUE(RegisterMainWindowClass(appState.instance));
        appState.driver = new DriverChannel;   // APM: the sheet shows all four pages
        ASSERT_TRUE(appState.driver->Open("Kestrel.exe /Z", KESTREL_IMAGE_DIR));
    }
    void TearDown() override
    {
        if (appState.driver)
            appState.driver->Close();
        delete appState.driver;
        DestroyIcon(appState.smallAppIcon);
        ZeroMemory(&appState, sizeof appState);
        ClearStoredSettings();
        if (battery)
            FakeBatterySet(battery, FakeAcNotCharging, 100, 0);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            ;   // the quit message and the window's posted notices
    }

    // The main window as start-up builds it, with the splash gone and the posted start-up notices
    // (levels pushed, indicator built, ring re-sent) handled.
    HWND CreateMainWindow()
    {
        HWND window = appState.mainWindow = CreateWindowExA(0, KestrelInstanceName, "", WS_POPUP | WS_DISABLED, 0, 0,
                                                            0, 0, NULL, NULL, appState.instance, NULL);
        mainProcedure = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)SoakProc);
        Pump();
        // The splash (this process was started without the switch D) stays while it is shown, hides
        // itself when its time is up and is removed at the next tick.
        HWND splash = appState.splash ? appState.splash->Window() : NULL;
        SendMessageA(window, WM_TIMER, StatusTimer, 0);
        EXPECT_TRUE(appState.splash && IsWindowVisible(splash));
        SendMessageA(splash, WM_TIMER, SplashHideTimer, 0);
        EXPECT_TRUE(IsWindow(splash) && !IsWindowVisible(splash));
        SendMessageA(window, WM_TIMER, StatusTimer, 0);
        EXPECT_TRUE(!appState.splash && !IsWindow(splash));
        return window;
    }

    void Send(HWND window, UINT timer, UINT count)
    {
        for (UINT i = 0; i < count; i++)
            SendMessageA(window, WM_TIMER, timer, 0);
        ticks += timer == StatusTimer ? count : 0;
    }

    // A brightness key press, then the polling ticks until the next: a short pause keeps the gauge
    // shown for the next change, a longer one lets it hide, the longest lets polling slow down.
    void BrightnessChange(HWND window)
    {
        static const UINT pauses[4] = { 2, 14, 5, 110 };
        const UINT change = changes++, quiet = pauses[change % 4];
        ASSERT_TRUE(SimPress(change % LcdLevels));
        Send(window, BrightnessTimer, 1);
        HWND gauge = appState.osd ? appState.osd->Window() : NULL;
        ASSERT_TRUE(gauge && IsWindowVisible(gauge)) << "brightness change " << change;
        Send(window, BrightnessTimer, quiet);
        EXPECT_EQ(quiet < 13, IsWindowVisible(gauge) != FALSE) << "brightness change " << change;
    }

    // A new skin, layout, place or mode stored and announced; now and then the indicator is off.
    void RebuildIndicator(HWND window, BOOL canonical)
    {
        const UINT n = rebuilds++;
        DWORD values[5] = { canonical || n % 10 != 7 ? 1u : 0u, canonical ? 1 : 2 + n % (SkinCount - 1),
                            canonical ? 1 : n % 4, canonical ? 0 : n % 2, canonical ? 0 : n % 5 };
        const char *names[5] = { SettingIndicatorShow, SettingIndicatorNumber, SettingIndicatorMode,
                                 SettingIndicatorVertical, SettingIndicatorPosition };
        for (int i = 0; i < 5; i++)
            AccessSetting(TRUE, names[i], &values[i]);
        SendMessageA(window, SettingsChangedMessage, IndicatorChanged, 0);
        EXPECT_EQ(values[0] != 0, appState.indicator && IsWindowVisible(appState.indicator->Window())) << "rebuild " << n;
    }

    // The sheet from the tray's double click: every page shown and changed, applied, closed; the
    // apply stored what the pages were given.
    void OpenSheet(HWND window)
    {
        ZeroMemory(&loop, sizeof loop);
        loop.sheetOpening = sheets++;
        PostMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0);
        PostMessageA(window, SheetStepMessage, 0, 0);
        Pump();   // the sheet's loop to its end, then the notices its apply posted
        DWORD number = 0, backlight = 99;
        AccessSetting(FALSE, SettingIndicatorNumber, &number);
        AccessSetting(FALSE, SettingLcdBacklightAc, &backlight);
        EXPECT_TRUE(!loop.watchdogFired && loop.sheetClosed && loop.tabs == 4 && loop.pagesVisited == 4
                    && !appState.sheetOpen && appState.sheetWindow == NULL && number == 1 + loop.sheetOpening % SkinCount
                    && backlight == loop.sheetOpening % LcdLevels) << "sheet opening " << loop.sheetOpening;
    }

    void OpenMenu(HWND window)
    {
        ZeroMemory(&loop, sizeof loop);
        PostMessageA(window, WM_COMMAND, IDM_SHOW_MENU, 0);
        Pump();   // the menu's loop until its idle step closes it
        menus++;
        EXPECT_TRUE(!loop.watchdogFired && loop.menuDriven && loop.bannerAtRest && appState.trayMenu == NULL)
            << "menu opening " << menus;
        // Properties, Help and Exit at the proposed height and four more, two separators at half a row.
        const UINT items = 3 * (loop.proposedHeight + 4) + 2 * (GetSystemMetrics(SM_CYMENU) / 2);
        EXPECT_EQ((LONG)items, loop.banner.bottom - loop.banner.top) << "proposed " << loop.proposedHeight;
    }

    // One round, left as every round is left: the first battery state, the gauge hidden and its
    // polling slow, the indicator as the settings rounds leave it.
    void Round(HWND window, UINT round)
    {
        const auto &phase = BatteryDay[round % 8];
        ASSERT_TRUE(FakeBatterySet(battery, phase.state, phase.percent, phase.minutes));
        SendMessageA(window, WM_POWERBROADCAST, round % 2 ? PBT_APMPOWERSTATUSCHANGE : PBT_APMRESUMESUSPEND, 0);
        const UINT between = TicksPerRound / ChangesPerRound / 2;
        for (UINT i = 0; i < ChangesPerRound; i++) {
            Send(window, StatusTimer, between);
            ASSERT_NO_FATAL_FAILURE(BrightnessChange(window));
        }
        Send(window, StatusTimer, TicksPerRound - between * ChangesPerRound);
        if (round % SettingsRoundEvery == 1) {
            RebuildIndicator(window, FALSE);
            OpenSheet(window);
            RebuildIndicator(window, TRUE);
        }
        OpenMenu(window);
        ASSERT_TRUE(FakeBatterySet(battery, BatteryDay[0].state, BatteryDay[0].percent, BatteryDay[0].minutes));
        SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        Send(window, BrightnessTimer, 110);
        Pump();
    }

    const char *battery = NULL;
    UINT ticks = 0, changes = 0, rebuilds = 0, sheets = 0, menus = 0;
};

TEST_F(SoakTest, TheStatusRefreshesOnTheFirstTickThenEveryTwentiethAndAfterABroadcast)
{
    // A splash still shown when the window ends goes with it. No tray picture is in reach here:
    // each is a copy of the application's icon, which survives the window.
    CopyText(appState.resourceFolder, PathSize, "C:\\nowhere\\");
    HWND window = appState.mainWindow = CreateWindowExA(0, KestrelInstanceName, "", WS_POPUP | WS_DISABLED, 0, 0,
                                                        0, 0, NULL, NULL, appState.instance, NULL);
    ASSERT_TRUE(appState.splash != NULL);
    HWND splash = appState.splash->Window();
    EXPECT_STREQ("", appState.trayIcon->Tip());   // nothing shown before the first tick
    // Ticks until the tooltip shows the battery at percent, after a broadcast when given one.
    auto ticksUntil = [&](DWORD percent, WPARAM broadcast) {
        FakeBatterySet(battery, FakeOnBattery, percent, 60);
        if (broadcast)
            SendMessageA(window, WM_POWERBROADCAST, broadcast, 0);
        char expected[64];
        wsprintfA(expected, "Battery in use:%lu%% battery remaining", percent);
        for (int tick = broadcast ? 0 : 1; tick <= 30; tick++) {
            if (tick)
                SendMessageA(window, WM_TIMER, StatusTimer, 0);
            if (lstrcmpA(expected, appState.trayIcon->Tip()) == 0)
                return tick;
        }
        return -1;
    };
    EXPECT_EQ(1, ticksUntil(57, 0));
    EXPECT_EQ(20, ticksUntil(41, 0));
    Send(window, StatusTimer, 10);
    EXPECT_EQ(0, ticksUntil(30, PBT_APMRESUMEAUTOMATIC));   // at once, and the count starts again
    EXPECT_EQ(20, ticksUntil(22, 0));
    DestroyWindow(window);
    EXPECT_TRUE(appState.splash == NULL && !IsWindow(splash));
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(appState.smallAppIcon, &info)) << "the application's icon went with the pictures";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

// With the installation's pictures the icon rests on AC power and full and on the battery above
// the lowest band: the ticks, refreshes included, send the shell nothing. While charging and when
// the battery is low it blinks, one picture each tick.
TEST_F(SoakTest, TheTrayIconRestsUnlessChargingOrLowAndARestingIconSendsTheShellNothing)
{
    HWND window = CreateMainWindow();
    ASSERT_TRUE(appState.trayIcon && appState.trayIcon->Added()) << "no notification area";
    realNotifyIcon = (BOOL(WINAPI *)(DWORD, NOTIFYICONDATAA *))ReplaceImport("shell32.dll", "Shell_NotifyIconA",
                                                                            (void *)CountedNotifyIcon);
    ASSERT_TRUE(realNotifyIcon != NULL);
    const struct { FakeBatteryState state; DWORD percent; bool blinks; } states[] = {
        { FakeAcNotCharging, 100, false }, { FakeOnBattery, 50, false }, { FakeOnBattery, 10, false },
        { FakeOnBattery, 9, true }, { FakeAcCharging, 50, true }, { FakeAcCharging, 100, true },
    };
    for (const auto &s : states) {
        ASSERT_TRUE(FakeBatterySet(battery, s.state, s.percent, 60));
        SendMessageA(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
        SendMessageA(window, WM_TIMER, StatusTimer, 0);
        shellCalls = 0;
        UINT changes = 0;
        for (UINT tick = 0; tick < 2 * RefreshEveryTicks; tick++) {
            const HICON shown = appState.trayIcon->Icon();
            SendMessageA(window, WM_TIMER, StatusTimer, 0);
            changes += appState.trayIcon->Icon() != shown;
        }
        EXPECT_EQ(s.blinks ? 2 * RefreshEveryTicks : 0, changes) << s.state << " at " << s.percent << "%";
        EXPECT_EQ(changes, shellCalls) << s.state << " at " << s.percent << "%";
    }
    ReplaceImport("shell32.dll", "Shell_NotifyIconA", (void *)realNotifyIcon);
    DestroyWindow(window);
}

TEST_F(SoakTest, ADayOfRunningLosesNoObjectAndDestroyReleasesEverything)
{
    // What the system libraries make once per process (the common controls' sheet and tooltip
    // resources, the menus' own bitmaps, the first shown window's) is theirs: a main window that
    // does everything of a round once, the sheet closed with OK and with Cancel, comes and goes first.
    HWND warm = CreateMainWindow();
    ASSERT_TRUE(appState.trayIcon && appState.trayIcon->Added()) << "no notification area";
    ASSERT_TRUE(appState.osd != NULL) << "no brightness gauge: the simulated driver reports no levels";
    // The screen DCs are settled between the steps as they are before each count.
    SettleScreenDcs();
    ASSERT_NO_FATAL_FAILURE(BrightnessChange(warm));
    RebuildIndicator(warm, FALSE);
    for (int i = 0; i < 2; i++) {
        SettleScreenDcs();
        OpenSheet(warm);
    }
    SettleScreenDcs();
    RebuildIndicator(warm, TRUE);
    OpenMenu(warm);
    ASSERT_TRUE(DestroyWindow(warm));
    Pump();
    ClearStoredSettings();
    ticks = changes = rebuilds = sheets = menus = 0;
    const Counts before = Count();

    const DWORD start = GetTickCount();
    const char *asked = getenv("KESTREL_SOAK_ROUNDS");
    const UINT rounds = asked && atoi(asked) > 0 ? (UINT)atoi(asked) : ShortRounds;
    HWND window = CreateMainWindow();
    ASSERT_NO_FATAL_FAILURE(Round(window, 0));
    const Counts firstRound = Count();
    for (UINT round = 1; round < rounds; round++)
        ASSERT_NO_FATAL_FAILURE(Round(window, round));
    const Counts end = Count();
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(firstRound, end);
    EXPECT_EQ(rounds * TicksPerRound, ticks);
    ASSERT_TRUE(DestroyWindow(window));
    Pump();
    EXPECT_TRUE(appState.trayIcon == NULL && appState.indicator == NULL && appState.osd == NULL);
    const Counts after = Count();
    EXPECT_EQ(before, after) << "what the main window built, its end did not release";

    std::cout << "soak: " << rounds << " of " << DayRounds << " rounds in " << elapsed << " ms: " << ticks
              << " status ticks, " << changes << " brightness changes, " << rebuilds << " indicator rebuilds, " << sheets
              << " sheet openings, " << menus << " menu openings\nsoak: before the window:     " << before
              << "\nsoak: after the first round: " << firstRound << "\nsoak: at the end:            " << end
              << "\nsoak: after the window:      " << after << std::endl;
}

} // namespace
