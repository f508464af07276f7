// The real main window procedure, driven inside the test process: its timers, clicks, menu requests
// and splash. A day of running it, and what it releases, is the soak test's.
#include <gtest/gtest.h>

#include "TestPaths.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/Text.h"
#include "app/TrayIcon.h"
#include "app/TrayMenu.h"
#include "FakeBattery.h"
#include "gfx/SplashWindow.h"
#include "common/GdiCount.h"
#include "scenario/Scenario.h"
#include "res/resource.h"

namespace {

class MainWindowInProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZeroMemory(&appState, sizeof appState);
        appState.instance = GetModuleHandleA(NULL);
        CopyText(appState.installFolder, sizeof appState.installFolder, KESTREL_IMAGE_DIR);
        CopyText(appState.resourceFolder, sizeof appState.resourceFolder, KESTREL_IMAGE_DIR "\\Resource\\");
        appState.smallAppIcon = (HICON)LoadImageA(appState.instance, MAKEINTRESOURCEA(IDI_APPLICATION_ICON),
                                                  IMAGE_ICON, 16, 16, 0);
        static BOOL registered = RegisterMainWindowClass(appState.instance);
        ASSERT_TRUE(registered);
    }
    void TearDown() override
    {
        DestroyIcon(appState.smallAppIcon);
        ZeroMemory(&appState, sizeof appState);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            ;   // the quit message and the window's posted notices
    }
    static HWND Create()
    {
        return CreateWindowExA(0, KestrelInstanceName, "", WS_POPUP | WS_DISABLED, 0, 0, 0, 0, NULL, NULL,
                               appState.instance, NULL);
    }
    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
};

TEST_F(MainWindowInProcess, TheStatusTimerRefreshesOnTheFirstTickThenEveryTwentieth)
{
    const char *battery = FakeBatteryFolder();
    REQUIRE_TEST_WORLD(battery, "no fake battery: the test run could not make a private mount namespace");
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
    HWND window = Create();
    ASSERT_TRUE(window != NULL);
    EXPECT_STREQ("", appState.trayIcon->Tip());   // nothing shown before the first tick

    // Ticks until the tooltip shows the battery at percent; -1 when 30 ticks do not bring it.
    auto ticksUntil = [&](int percent) {
        char expected[64];
        wsprintfA(expected, "Battery in use:%d%% battery remaining", percent);
        for (int tick = 1; tick <= 30; tick++) {
            SendMessageA(window, WM_TIMER, StatusTimer, 0);
            if (lstrcmpA(expected, appState.trayIcon->Tip()) == 0)
                return tick;
        }
        return -1;
    };
    EXPECT_EQ(1, ticksUntil(57));
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 41, 60));
    EXPECT_EQ(20, ticksUntil(41));

    // A broadcast refreshes at once and starts the count again.
    for (int i = 0; i < 10; i++)
        SendMessageA(window, WM_TIMER, StatusTimer, 0);
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 30, 50));
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_STREQ("Battery in use:30% battery remaining", appState.trayIcon->Tip());
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 22, 40));
    EXPECT_EQ(20, ticksUntil(22));
    DestroyWindow(window);
}

TEST_F(MainWindowInProcess, IconClicksBringTheSheetForwardOrAskForTheMenuAndProperties)
{
    HWND window = Create();
    ASSERT_TRUE(window != NULL);
    HWND sheet = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, NULL, NULL,
                                 appState.instance, NULL);
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 80, 10, 50, 50, NULL, NULL,
                                 appState.instance, NULL);
    SetForegroundWindow(other);
    appState.sheetWindow = sheet;
    SendMessageA(window, TrayCallbackMessage, 0, WM_LBUTTONDOWN);
    EXPECT_EQ(sheet, GetForegroundWindow());
    appState.sheetWindow = NULL;
    SendMessageA(window, TrayCallbackMessage, 0, WM_LBUTTONDOWN);
    EXPECT_EQ(window, GetForegroundWindow());

    // The other mouse messages only post the command the menu or a double click stands for.
    const struct { LPARAM mouse; WPARAM command; } posts[] = {
        { WM_LBUTTONDBLCLK, CmdProperties }, { WM_RBUTTONDOWN, CmdShowMenu }, { WM_MOUSEMOVE, 0 },
        { WM_LBUTTONUP, 0 },
    };
    for (const auto &p : posts) {
        EXPECT_EQ(0, SendMessageA(window, TrayCallbackMessage, 0, p.mouse));
        MSG msg;
        BOOL posted = PeekMessageA(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE);
        EXPECT_EQ(p.command != 0, posted != 0) << "mouse message " << p.mouse;
        if (posted) {
            EXPECT_EQ(p.command, msg.wParam);
        }
    }
    DestroyWindow(other);
    DestroyWindow(sheet);
    DestroyWindow(window);
}

// A second CmdShowMenu that arrives while the menu is open, through the menu's own loop.
WNDPROC mainProcedure;
TrayMenu *openMenu;
UINT menuTicks;
BOOL sameMenuThroughout;

LRESULT CALLBACK ReenteringProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcA(mainProcedure, window, message, wParam, lParam);
    if (message == WM_TIMER && wParam == MenuAnimationTimer) {
        if (++menuTicks == 1) {
            openMenu = appState.trayMenu;
            PostMessageA(window, WM_COMMAND, CmdShowMenu, 0);
        } else if (appState.trayMenu != openMenu) {
            sameMenuThroughout = FALSE;
        }
        if (menuTicks >= 6)
            EndMenu();
    }
    return result;
}

TEST_F(MainWindowInProcess, AMenuRequestWhileTheMenuIsOpenIsIgnored)
{
    UINT menusBefore = CountMenus();
    HWND window = Create();
    ASSERT_TRUE(window != NULL);
    mainProcedure = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)ReenteringProc);
    openMenu = NULL;
    menuTicks = 0;
    sameMenuThroughout = TRUE;
    PostMessageA(window, WM_COMMAND, CmdShowMenu, 0);
    Pump();   // runs the menu's modal loop until the sixth animation tick closes it

    EXPECT_GE(menuTicks, 6u);
    EXPECT_TRUE(openMenu != NULL);
    EXPECT_TRUE(sameMenuThroughout);
    EXPECT_TRUE(appState.trayMenu == NULL);
    SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)mainProcedure);
    DestroyWindow(window);
    EXPECT_EQ(menusBefore, CountMenus());
}

TEST_F(MainWindowInProcess, TheSplashIsRemovedAtTheFirstTickAfterItHidItself)
{
    HWND window = Create();
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(appState.splash != NULL);   // this process was started without the switch D
    HWND splash = appState.splash->Window();
    ASSERT_TRUE(IsWindowVisible(splash));
    SendMessageA(window, WM_TIMER, StatusTimer, 0);
    EXPECT_TRUE(appState.splash != NULL);   // still shown: kept

    SendMessageA(splash, WM_TIMER, SplashHideTimer, 0);   // its time is up
    EXPECT_TRUE(IsWindow(splash));
    SendMessageA(window, WM_TIMER, StatusTimer, 0);
    EXPECT_TRUE(appState.splash == NULL);
    EXPECT_FALSE(IsWindow(splash));

    // One still shown when the program ends goes with the main window.
    DestroyWindow(window);
    Pump();
    window = Create();
    ASSERT_TRUE(appState.splash != NULL);
    splash = appState.splash->Window();
    DestroyWindow(window);
    EXPECT_TRUE(appState.splash == NULL);
    EXPECT_FALSE(IsWindow(splash));
}

} // namespace
