// The notification-area icon, its menu and the power levels, as a user and the driver see them.
#include "scenario/Scenario.h"

#include "FakeBattery.h"
#include "SimControl.h"

namespace {

const UINT TrayCallbackMessage = 0x8064;

class Tray : public KestrelWorld {
protected:
    static bool StartAndWaitForIcon(KestrelProcess &kestrel)
    {
        return kestrel.Launch("/D") && WaitUntil([] { return !TraySlotEmpty(0); });
    }

    // Waits until the icon shows one of the pair of pictures of the given key.
    static bool WaitForPair(const std::string &key, DWORD timeoutMs = 5000)
    {
        HICON first = LoadInstalledIcon("tray\\" + key + "_1.ico");
        HICON second = LoadInstalledIcon("tray\\" + key + "_2.ico");
        bool shown = WaitUntil([&] { return ShowsPicture(0, first) || ShowsPicture(0, second); },
                               timeoutMs);
        DestroyIcon(first);
        DestroyIcon(second);
        return shown;
    }

    static void Broadcast(HWND main, WPARAM event)
    {
        SendAndWait(main, WM_POWERBROADCAST, event, 0);
    }
};

TEST_F(Tray, TheIconShowsTheBatteryAndItsStatusLine)
{
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
    KestrelProcess kestrel;
    ASSERT_TRUE(StartAndWaitForIcon(kestrel));
    EXPECT_TRUE(WaitForPair("DC050to059"));
    EXPECT_EQ("Battery in use:57% battery remaining", HoverTooltip(0));

    // The two pictures of the pair alternate.
    HICON first = LoadInstalledIcon("tray\\DC050to059_1.ico");
    HICON second = LoadInstalledIcon("tray\\DC050to059_2.ico");
    EXPECT_TRUE(WaitUntil([&] { return ShowsPicture(0, first); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return ShowsPicture(0, second); }, 3000));
    DestroyIcon(first);
    DestroyIcon(second);

    // Plugged in and charging: a power broadcast shows it at once.
    ASSERT_TRUE(FakeBatterySet(battery, FakeAcCharging, 80, 0));
    Broadcast(kestrel.MainWindow(), PBT_APMPOWERSTATUSCHANGE);
    EXPECT_TRUE(WaitForPair("ACCharging080to089", 2000));

    ASSERT_TRUE(FakeBatterySet(battery, FakeAcNotCharging, 100, 0));
    Broadcast(kestrel.MainWindow(), PBT_APMPOWERSTATUSCHANGE);
    EXPECT_TRUE(WaitForPair("ACNoCharging", 2000));

    kestrel.Exit();
    EXPECT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
}

// The set requests the driver got since its log was cleared.
std::string Pushes() { return DriverRequests("-set"); }

TEST_F(Tray, LevelsArePushedAtStartOnUnpluggingOnceAndOnEveryResume)
{
    SimState state;
    state.ringValue = 5;   // the driver's own resume-on-ring setting, written back unchanged at start
    ASSERT_TRUE(SimSetFields(SIM_FIELD_RINGVALUE, &state));
    StoreDword("LCDBackLightDC", 2);
    StoreDword("CPUClockDC", 1);

    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Launch("/D /Z"));
    HWND main = kestrel.MainWindow();
    // On AC at start: the AC levels, clamped to the highest of 8 and 4; then ring is re-sent.
    EXPECT_TRUE(WaitUntil([] { return Pushes() == "lcd-set 7, cpu-set 3, ring-set 5"; })) << Pushes();

    ASSERT_TRUE(SimClearLog());
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 50, 120));
    Broadcast(main, PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ("lcd-set 2, cpu-set 1", Pushes());

    ASSERT_TRUE(SimClearLog());
    Broadcast(main, PBT_APMPOWERSTATUSCHANGE);   // the same source: nothing to push
    EXPECT_EQ("", Pushes());

    // Every kind of resume pushes the levels of the source in force, changed or not.
    const WPARAM resumes[] = { PBT_APMRESUMESUSPEND, PBT_APMRESUMECRITICAL, PBT_APMRESUMEAUTOMATIC };
    for (WPARAM resume : resumes) {
        ASSERT_TRUE(SimClearLog());
        Broadcast(main, resume);
        EXPECT_EQ("lcd-set 2, cpu-set 1", Pushes()) << "resume " << resume;
    }

    ASSERT_TRUE(SimClearLog());
    ASSERT_TRUE(FakeBatterySet(battery, FakeAcCharging, 55, 0));
    Broadcast(main, PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ("lcd-set 7, cpu-set 3", Pushes());

    // A resume on battery pushes the battery levels but leaves the remembered source (AC) alone,
    // so the status change that follows still finds a change to push.
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 40, 100));
    ASSERT_TRUE(SimClearLog());
    Broadcast(main, PBT_APMRESUMESUSPEND);
    Broadcast(main, PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ("lcd-set 2, cpu-set 1, lcd-set 2, cpu-set 1", Pushes());

    // The power control page's notice: the stored levels are read again and those of the source in
    // force pushed, whatever the remembered source.
    StoreDword("LCDBackLightDC", 4);
    StoreDword("CPUClockDC", 0);
    ASSERT_TRUE(SimClearLog());
    SendAndWait(main, 0x8065, 0, 0);
    EXPECT_EQ("lcd-set 4, cpu-set 0", Pushes());
    kestrel.Exit();
}

HWND WaitForMenu(DWORD processId)
{
    HWND menu = NULL;
    WaitUntil([&] { return (menu = FindVisibleWindow(processId, "#32768")) != NULL; });
    return menu;
}

TEST_F(Tray, ARightClickOpensTheMenuAndExitRemovesTheIcon)
{
    KestrelProcess kestrel;
    ASSERT_TRUE(StartAndWaitForIcon(kestrel));
    // The notification area reports the right press to the main window.
    ASSERT_TRUE(kestrel.Post(TrayCallbackMessage, 0, WM_RBUTTONDOWN));
    HWND menu = WaitForMenu(kestrel.Id());
    ASSERT_TRUE(menu != NULL);
    RECT r;
    GetWindowRect(menu, &r);
    EXPECT_GT(r.right - r.left, 40);
    EXPECT_GT(r.bottom - r.top, 30);

    // E&xit by its mnemonic, as the keyboard would choose it.
    ASSERT_TRUE(PostMessageA(menu, WM_CHAR, 'x', 0));
    DWORD code = 99;
    ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
}

TEST_F(Tray, TheIconComesBackWhenTheNotificationAreaIsRecreated)
{
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 23, 40));
    KestrelProcess kestrel;
    ASSERT_TRUE(StartAndWaitForIcon(kestrel));
    ASSERT_TRUE(WaitForPair("DC020to029"));

    // A restarted notification area has lost every icon.
    NOTIFYICONDATAA gone;
    ZeroMemory(&gone, sizeof gone);
    gone.cbSize = 88;
    gone.hWnd = kestrel.MainWindow();
    gone.uID = 0;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    ASSERT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));

    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ASSERT_TRUE(WaitUntil([] { return !TraySlotEmpty(0); }));
    EXPECT_TRUE(WaitForPair("DC020to029"));
    EXPECT_EQ("Battery in use:23% battery remaining", HoverTooltip(0));
    kestrel.Exit();
}

} // namespace
