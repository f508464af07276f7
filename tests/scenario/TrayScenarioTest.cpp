// The notification-area icon, its menu and the power levels, as a user and the driver see them.
#include "scenario/Scenario.h"

#include "FakeBattery.h"
#include "SimControl.h"
#include "res/resource.h"

namespace {

const UINT TrayCallbackMessage = 0x8064;

// Waits until the icon shows the installation's picture of that name (tray\NAME.ico).
bool WaitForPicture(const std::string &name, DWORD timeoutMs = 5000)
{
    HICON picture = LoadInstalledIcon("tray\\" + name + ".ico");
    bool shown = WaitUntil([&] { return ShowsPicture(0, picture); }, timeoutMs);
    DestroyIcon(picture);
    return shown;
}

// Waits until the icon has shown both pictures of a blinking pair, one after the other.
bool WaitForBlink(const std::string &key, DWORD timeoutMs = 5000)
{
    return WaitForPicture(key + "_1", timeoutMs) && WaitForPicture(key + "_2", timeoutMs)
        && WaitForPicture(key + "_1", timeoutMs);
}

class Tray : public KestrelWorld {
protected:
    void Broadcast(WPARAM event) { SendAndWait(kestrel.MainWindow(), WM_POWERBROADCAST, event, 0); }
};

TEST_F(Tray, TheIconShowsTheBatteryAndItsStatusLineAndBlinksWhenLowAndWhileCharging)
{
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    EXPECT_TRUE(WaitForPicture("DC050to059", 3000));
    EXPECT_EQ("Battery in use:57% battery remaining", HoverTooltip(0));
    // Low, plugged in and charging, then full: a power broadcast shows each at once; the low and
    // the charging pictures blink, the full one rests.
    const struct { FakeBatteryState state; DWORD percent; const char *key; bool blinks; } steps[] = {
        { FakeOnBattery, 4, "DC000to009", true }, { FakeAcCharging, 80, "ACCharging080to089", true },
        { FakeAcNotCharging, 100, "ACNoCharging", false },
    };
    for (const auto &s : steps) {
        ASSERT_TRUE(FakeBatterySet(battery, s.state, s.percent, 10));
        Broadcast(PBT_APMPOWERSTATUSCHANGE);
        EXPECT_TRUE(s.blinks ? WaitForBlink(s.key, 2000) : WaitForPicture(s.key, 2000)) << s.key;
    }
    EXPECT_EQ("Connected to AC power:100% battery remaining", HoverTooltip(0));
    kestrel.Exit();
    EXPECT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
}

TEST_F(Tray, LevelsArePushedAtStartOnUnpluggingOnceAndOnEveryResume)
{
    SimState state;
    state.ringValue = 5;   // the driver's own resume-on-ring setting, written back unchanged at start
    ASSERT_TRUE(SimSetFields(SIM_FIELD_RINGVALUE, &state));
    StoreDword("LCDBackLightDC", 2);
    StoreDword("CPUClockDC", 1);
    ASSERT_TRUE(StartSettled(kestrel, "/D /Z"));
    // On AC at start: the AC levels, clamped to the highest of 8 and 4; then ring is re-sent.
    EXPECT_EQ("lcd-set 7, cpu-set 3, ring-set 5", DriverRequests("-set"));
    // On battery, the same source again, every kind of resume, back on AC; a resume on battery
    // pushes the battery levels but leaves the remembered source (AC) alone, so the status change
    // that follows still finds a change to push.
    const struct { FakeBatteryState state; WPARAM events[2]; const char *pushed; } steps[] = {
        { FakeOnBattery, { PBT_APMPOWERSTATUSCHANGE }, "lcd-set 2, cpu-set 1" },
        { FakeOnBattery, { PBT_APMPOWERSTATUSCHANGE }, "" },
        { FakeOnBattery, { PBT_APMRESUMESUSPEND }, "lcd-set 2, cpu-set 1" },
        { FakeOnBattery, { PBT_APMRESUMECRITICAL }, "lcd-set 2, cpu-set 1" },
        { FakeOnBattery, { PBT_APMRESUMEAUTOMATIC }, "lcd-set 2, cpu-set 1" },
        { FakeAcCharging, { PBT_APMPOWERSTATUSCHANGE }, "lcd-set 7, cpu-set 3" },
        { FakeOnBattery, { PBT_APMRESUMESUSPEND, PBT_APMPOWERSTATUSCHANGE }, "lcd-set 2, cpu-set 1, lcd-set 2, cpu-set 1" },
    };
    for (const auto &s : steps) {
        ASSERT_TRUE(FakeBatterySet(battery, s.state, 50, s.state == FakeOnBattery ? 100 : 0));
        ASSERT_TRUE(SimClearLog());
        for (WPARAM event : s.events)
            if (event)
                Broadcast(event);
        EXPECT_EQ(s.pushed, DriverRequests("-set")) << "after " << s.events[0] << " in state " << s.state;
    }
    // The power control page's notice: the stored levels are read again and those of the source in
    // force pushed, whatever the remembered source.
    StoreDword("LCDBackLightDC", 4);
    StoreDword("CPUClockDC", 0);
    ASSERT_TRUE(SimClearLog());
    SendAndWait(kestrel.MainWindow(), 0x8065, 0, 0);
    EXPECT_EQ("lcd-set 4, cpu-set 0", DriverRequests("-set"));
    kestrel.Exit();
}

TEST_F(Tray, ARecreatedNotificationAreaGetsTheIconBackOnceEvenUnderTheOpenMenu)
{
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 23, 40));
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    ASSERT_TRUE(WaitForPicture("DC020to029"));
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    NOTIFYICONDATAA gone = {};
    gone.cbSize = NOTIFYICONDATAA_V1_SIZE;
    gone.hWnd = kestrel.MainWindow();
    for (bool underMenu : { false, true }) {
        SCOPED_TRACE(underMenu ? "under the open menu" : "without the menu");
        HWND menu = NULL;
        if (underMenu) {
            // The notification area reports the right press to the main window.
            ASSERT_TRUE(kestrel.Post(TrayCallbackMessage, 0, WM_RBUTTONDOWN));
            ASSERT_TRUE(WaitUntil([&] { return (menu = FindVisibleWindow(kestrel.Id(), "#32768")) != NULL; }));
        }
        // A notice without a real restart: the shell still has the icon, and keeps one.
        SendAndWait(kestrel.MainWindow(), taskbarCreated, 0, 0);
        EXPECT_TRUE(!TraySlotEmpty(0) && TraySlotEmpty(1));
        // A real restart has lost every icon.
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
        ASSERT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
        PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
        EXPECT_TRUE(WaitForPicture("DC020to029") && TraySlotEmpty(1));
        if (!underMenu) {
            EXPECT_EQ("Battery in use:23% battery remaining", HoverTooltip(0));
            continue;
        }
        // The menu stayed open through it all and still works: E&xit by its mnemonic.
        EXPECT_TRUE(IsWindowVisible(menu));
        ASSERT_TRUE(PostMessageA(menu, WM_CHAR, 'x', 0));
        DWORD code = 99;
        ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
        EXPECT_EQ(0u, code);
        EXPECT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
    }
}

} // namespace
