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
    // Low, plugged in and charging, then full; the low and the charging pictures blink, the full
    // one rests. Where the source stays, Windows reports the change with a broadcast (Wine sends
    // none; the ten-second refresh would show it); the plug-in, the next tick sees by itself.
    const struct { FakeBatteryState state; DWORD percent; const char *key; bool blinks, broadcast; } steps[] = {
        { FakeOnBattery, 4, "DC000to009", true, true }, { FakeAcCharging, 80, "ACCharging080to089", true, false },
        { FakeAcNotCharging, 100, "ACNoCharging", false, true },
    };
    for (const auto &s : steps) {
        ASSERT_TRUE(FakeBatterySet(battery, s.state, s.percent, 10));
        if (s.broadcast)
            Broadcast(PBT_APMPOWERSTATUSCHANGE);
        EXPECT_TRUE(s.blinks ? WaitForBlink(s.key, 2000) : WaitForPicture(s.key, 2000)) << s.key;
    }
    EXPECT_EQ("Connected to AC power:100% battery remaining", HoverTooltip(0));
    kestrel.Exit();
    EXPECT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
}

TEST_F(Tray, LevelsArePushedAtStartOnEveryChangeOfSourceOnceAndOnEveryResume)
{
    SimState state;
    state.ringValue = 5;   // the driver's own resume-on-ring setting, written back unchanged at start
    ASSERT_TRUE(SimSetFields(SIM_FIELD_RINGVALUE, &state));
    StoreDword("LCDBackLightDC", 2);
    StoreDword("CPUClockDC", 1);
    ASSERT_TRUE(StartSettled(kestrel, "/D /Z"));
    // On AC at start: the AC levels, clamped to the highest of 8 and 4; then ring is re-sent.
    EXPECT_EQ("lcd-set 7, cpu-set 3, ring-set 5", DriverRequests("-set"));
    // Wine sends no broadcast when the adapter is pulled or plugged: Kestrel sees the change at its
    // next status tick, within a second. Where the broadcast does come, the tick then sees no
    // change: rows that watch the ticks wait until the backlight has been polled twice more (a
    // second or more, two status ticks at least) and expect nothing further. A resume on battery
    // pushes the battery levels but leaves the remembered source (AC) alone, so the status change
    // that follows still finds a change to push.
    const struct { FakeBatteryState state; WPARAM events[2]; bool watch; const char *pushed; } steps[] = {
        { FakeOnBattery, {}, true, "lcd-set 2, cpu-set 1" },
        { FakeOnBattery, { PBT_APMPOWERSTATUSCHANGE }, false, "" },
        { FakeAcCharging, {}, true, "lcd-set 7, cpu-set 3" },
        { FakeOnBattery, { PBT_APMPOWERSTATUSCHANGE }, true, "lcd-set 2, cpu-set 1" },
        { FakeOnBattery, { PBT_APMRESUMESUSPEND }, false, "lcd-set 2, cpu-set 1" },
        { FakeOnBattery, { PBT_APMRESUMECRITICAL }, false, "lcd-set 2, cpu-set 1" },
        { FakeOnBattery, { PBT_APMRESUMEAUTOMATIC }, false, "lcd-set 2, cpu-set 1" },
        { FakeAcCharging, { PBT_APMPOWERSTATUSCHANGE }, false, "lcd-set 7, cpu-set 3" },
        { FakeOnBattery, { PBT_APMRESUMESUSPEND, PBT_APMPOWERSTATUSCHANGE }, false,
          "lcd-set 2, cpu-set 1, lcd-set 2, cpu-set 1" },
    };
    for (const auto &s : steps) {
        ASSERT_TRUE(SimClearLog());
        ASSERT_TRUE(FakeBatterySet(battery, s.state, 50, s.state == FakeOnBattery ? 100 : 0));
        for (WPARAM event : s.events)
            if (event)
                Broadcast(event);
        if (s.watch) {
            EXPECT_TRUE(WaitUntil([&] { return DriverRequests("-set") == s.pushed; }, 1500));
            const int polls = CountRequests("lcd-get");
            EXPECT_TRUE(WaitUntil([&] { return CountRequests("lcd-get") >= polls + 2; }, 5000));
        }
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
