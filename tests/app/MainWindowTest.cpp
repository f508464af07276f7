// The real main window procedure, driven inside the test process: what it builds it releases, and
// its timers and broadcasts lose no GDI object or icon however long they run.
#include <gtest/gtest.h>

#include "TestPaths.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/Text.h"
#include "app/TrayIcon.h"
#include "common/GdiCount.h"
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

TEST_F(MainWindowInProcess, TicksAndBroadcastsLoseNothingAndDestroyReleasesEverything)
{
    // What the system libraries load once per process (the common controls' tooltip resources
    // for the indicator) is theirs: one main window built and destroyed first.
    HWND warm = Create();
    Pump();
    DestroyWindow(warm);
    Pump();
    UINT gdiBefore = CountGdiObjects(), iconsBefore = CountIcons(), menusBefore = CountMenus();
    HWND window = Create();
    ASSERT_TRUE(window != NULL);
    Pump();
    ASSERT_TRUE(appState.trayIcon != NULL);
    EXPECT_TRUE(appState.trayIcon->Added());

    for (int i = 0; i < 40; i++)
        SendMessageA(window, WM_TIMER, StatusTimer, 0);
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    UINT gdi = CountGdiObjects(), icons = CountIcons();
    EXPECT_STRNE("", appState.trayIcon->Tip());   // the first tick refreshed the status line

    for (int i = 0; i < 10000; i++) {
        SendMessageA(window, WM_TIMER, StatusTimer, 0);
        if (i % 20 == 0)
            SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    }
    EXPECT_EQ(gdi, CountGdiObjects());
    EXPECT_EQ(icons, CountIcons());

    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(appState.trayIcon == NULL);
    EXPECT_EQ(gdiBefore, CountGdiObjects());
    EXPECT_EQ(iconsBefore, CountIcons());
    EXPECT_EQ(menusBefore, CountMenus());
}

TEST_F(MainWindowInProcess, TheStatusTimerRefreshesOnTheFirstTickThenEveryTwentieth)
{
    HWND window = Create();
    ASSERT_TRUE(window != NULL);
    EXPECT_STREQ("", appState.trayIcon->Tip());   // nothing shown before the first tick
    SendMessageA(window, WM_TIMER, StatusTimer, 0);
    EXPECT_EQ(0u, appState.statusTicks);
    EXPECT_STRNE("", appState.trayIcon->Tip());
    for (int i = 1; i < 20; i++)
        SendMessageA(window, WM_TIMER, StatusTimer, 0);
    EXPECT_EQ(19u, appState.statusTicks);
    SendMessageA(window, WM_TIMER, StatusTimer, 0);
    EXPECT_EQ(0u, appState.statusTicks);
    SendMessageA(window, WM_TIMER, StatusTimer, 0);
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(0u, appState.statusTicks);   // a broadcast restarts the ten seconds
    DestroyWindow(window);
}

} // namespace
