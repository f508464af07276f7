// The world outside misbehaving while Kestrel runs: a driver that answers nonsense, fails or goes
// away, a display that changes size. Kestrel must keep running, show each fallback, stay
// responsive, and store nothing the user did not apply. (A restarted notification area is the
// tray scenario's.)
#include "scenario/Scenario.h"

#include <commctrl.h>

#include "FakeBattery.h"
#include "SimControl.h"
#include "res/resource.h"

namespace {


bool SetFaults(DWORD faults)
{
    SimState state;
    state.faults = faults;
    return SimSetFields(SIM_FIELD_FAULTS, &state);
}
bool SetCounts(DWORD lcdCount, DWORD cpuCount)
{
    SimState state;
    state.lcdCount = lcdCount;
    state.cpuCount = cpuCount;
    return SimSetFields(SIM_FIELD_LCDCOUNT | SIM_FIELD_CPUCOUNT, &state);
}

// The driver has read its level since the key was pressed: the program saw the change.
bool PressSeen()
{
    SimState state;
    return SimGetState(&state) && state.lcdChanged == 0;
}

class WorldFaults : public KestrelWorld {
protected:
    bool Start(KestrelProcess &running, bool driverAnswers = true)
    {
        settingsAtStart = StoredSettings();
        return StartSettled(running, "/D /X /Z", true, driverAnswers);
    }
    // Alive and answering, ends with code 0, and every stored value is as it was at its start.
    void ExpectAliveThenExit(KestrelProcess &running)
    {
        ASSERT_TRUE(running.Running()) << "Kestrel ended";
        EXPECT_TRUE(Responsive(running.MainWindow()));
        running.Exit();
        EXPECT_EQ(settingsAtStart, StoredSettings());
    }
    std::string settingsAtStart;
};

TEST_F(WorldFaults, AnyLevelCountIsClampedToAndOnlyAUsableOneGetsAGauge)
{
    const struct { DWORD count; bool gauge; } cases[] = { { 0, false }, { 1, false }, { 2, false }, { 3, true },
                                                          { 65535, false }, { 65536, false }, { 4294967295u, false } };
    for (const auto &c : cases) {
        SCOPED_TRACE("level count " + std::to_string(c.count));
        ASSERT_TRUE(SimReset() && SetCounts(c.count, c.count));
        KestrelProcess running;
        ASSERT_TRUE(Start(running));
        // On AC the highest level of each; a count of 0 has none to send.
        const std::string top = std::to_string(c.count - 1);
        EXPECT_EQ(c.count ? "lcd-set " + top + ", cpu-set " + top + ", ring-set 0" : "ring-set 0", DriverRequests("-set"));
        // Gauges too wide for the screen (65535 levels, or a count whose low 16 bits are 0 or 65535)
        // are never made, though polled for; one of three levels is, and shows only levels it has.
        HWND gauge = GaugeOf(running.Id());
        EXPECT_EQ(c.gauge, gauge != NULL);
        for (DWORD level : { (DWORD)3, c.count, (DWORD)0x7FFFFFFF }) {
            ASSERT_TRUE(SimPress(level));
            ASSERT_TRUE(c.count <= 2 || WaitUntil(PressSeen)) << "level " << level;
            EXPECT_FALSE(gauge && IsWindowVisible(gauge)) << "level " << level;
        }
        if (c.count == 2) {
            // Two levels are not polled at all: two and a half idle periods to show otherwise.
            ASSERT_TRUE(SimClearLog());
            EXPECT_FALSE(WaitUntil(PressSeen, 2500));
            EXPECT_EQ(0, CountRequests("lcd-get"));
        }
        EXPECT_TRUE(!gauge || (SimPress(2) && WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; })));
        ExpectAliveThenExit(running);
    }
}

TEST_F(WorldFaults, LevelCountsNoSliderCanShowAndASkinNoLongerInstalledAreLeftAloneOnOk)
{
    ASSERT_TRUE(SetCounts(65535, 4294967295u));
    // A skin no longer installed, with indicator values its page shows as they are.
    const struct { const char *name; DWORD value; } stored[] = {
        { "LCDBackLightAC", 5 }, { "LCDBackLightDC", 1 }, { "CPUClockAC", 40000 }, { "CPUClockDC", 2 },
        { "IndicatorNumber", 42 }, { "IndicatorShowWindow", 1 }, { "IndicatorPosition", 0 },
        { "IndicatorVerticalStyle", 0 }, { "IndicatorMode", 1 },
    };
    for (const auto &s : stored)
        StoreDword(s.name, s.value);
    ASSERT_TRUE(Start(kestrel));
    HWND sheet = kestrel.Post(WM_COMMAND, IDM_PROPERTIES, 0) ? kestrel.WaitForWindow("#32770", "Kestrel Properties") : NULL;
    HWND page = NULL;
    ASSERT_TRUE(WaitUntil([&] { return sheet && (page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }));
    for (int id : { IDC_BACKLIGHT_AC, IDC_CLOCK_AC })
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, id))) << id;
    SendMessageA(sheet, PSM_SETCURSEL, 2, 0);   // the Indicator page, seen and left as it is
    ASSERT_TRUE(SimClearLog() && PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }));
    // OK still asks for the levels to be pushed again: those stored, cut to the counts.
    EXPECT_TRUE(WaitUntil([] { return DriverRequests("-set") == "lcd-set 5, cpu-set 40000"; })) << DriverRequests("-set");
    ExpectAliveThenExit(kestrel);   // and OK stored nothing
}

TEST_F(WorldFaults, ADriverThatFailsEveryRequestLeavesEveryFeatureOffAndFailedReadsCostNoGauge)
{
    ASSERT_TRUE(SetFaults(SIM_FAULT_FAIL));
    ASSERT_TRUE(Start(kestrel, false));
    // Each probe fails once; nothing is set, read or polled afterwards.
    EXPECT_EQ("lcd-count 0, cpu-count 0, ring-get 0", DriverRequests());
    EXPECT_TRUE(GaugeOf(kestrel.Id()) == NULL);
    SendAndWait(kestrel.MainWindow(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_EQ("lcd-count 0, cpu-count 0, ring-get 0", DriverRequests());
    ExpectAliveThenExit(kestrel);

    // Level reads that fail while Kestrel starts cost no gauge: once they answer, a press shows it.
    ASSERT_TRUE(SimReset() && SetFaults(SIM_FAULT_READS));
    KestrelProcess reading;
    ASSERT_TRUE(Start(reading));
    HWND gauge = GaugeOf(reading.Id());
    ASSERT_TRUE(gauge != NULL);
    ASSERT_TRUE(SetFaults(0) && SimPress(2));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; }));
    ExpectAliveThenExit(reading);
}

bool StartDriver()
{
    return RunProgram("kestrelctl.exe start", 30000) == 0 && RunProgram("kestrelsim-setup.exe install-acpi", 30000) == 0;
}

TEST_F(WorldFaults, TheDriverFailingRemovedAndStoppedUnderARunningKestrel)
{
    Restorer restarter = { [] { return StartDriver() && SimReset(); } };
    // The device the root device's removal takes away is the one Kestrel holds in ACPI mode; the
    // one the stopping driver deletes, in APM mode.
    for (const char *mode : { "/D /X /A", "/D /X /Z" }) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(StartDriver() && SimReset() && FakeBatterySet(battery, FakeAcNotCharging, 100, 0));
        KestrelProcess running;
        settingsAtStart = StoredSettings();
        ASSERT_TRUE(StartSettled(running, mode) && GaugeOf(running.Id()) != NULL);
        // Failing from now on: the pushes of a resume go out and fail silently.
        ASSERT_TRUE(SetFaults(SIM_FAULT_FAIL) && SimClearLog());
        SendAndWait(running.MainWindow(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        EXPECT_EQ("lcd-set 7, cpu-set 3", DriverRequests("-set"));
        ASSERT_EQ(0, RunProgram("kestrelsim-setup.exe remove-acpi", 30000));
        ASSERT_TRUE(Responsive(running.MainWindow()));
        RunProgram("sc.exe stop kestrelsim", 30000);
        EXPECT_TRUE(WaitUntil([] { SimInfo info; return !SimGetInfo(&info); })) << "the driver did not stop";
        SendAndWait(running.MainWindow(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 50, 100));
        SendAndWait(running.MainWindow(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
        ExpectAliveThenExit(running);
    }
    // Started while the driver is absent: no device, every feature off, running all the same.
    ASSERT_TRUE(Start(kestrel, false));
    EXPECT_TRUE(GaugeOf(kestrel.Id()) == NULL);
    ExpectAliveThenExit(kestrel);
}

// Sets the display mode of the virtual desktop and waits until this process sees it.
bool SetDisplay(DWORD width, DWORD height)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL && WaitUntil([&] {
        return GetSystemMetrics(SM_CXSCREEN) == (int)width && GetSystemMetrics(SM_CYSCREEN) == (int)height;
    });
}


TEST_F(WorldFaults, TheIndicatorAndTheGaugeFollowTheDisplayTo640x480AndBack)
{
    // A free position that the small display cannot hold.
    StoreDword("IndicatorPosition", 4);
    StoreDword("IndicatorPositionX", 900);
    StoreDword("IndicatorPositionY", 600);
    ASSERT_TRUE(Start(kestrel));
    HWND indicator = IndicatorOf(kestrel.Id()), gauge = GaugeOf(kestrel.Id());
    const RECT home = WindowRect(indicator);
    EXPECT_TRUE(gauge && home.left == 900 && home.top == 600);
    ASSERT_TRUE(SimPress(3) && WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; }));
    Restorer restorer = { [] { return SetDisplay(1024, 768); } };
    ASSERT_TRUE(SetDisplay(640, 480));
    // The shown gauge goes at once; the indicator moves flush into the bottom-right corner.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(gauge); }));
    EXPECT_TRUE(WaitUntil([&] { RECT r = WindowRect(indicator); return r.right == 640 && r.bottom == 480; }));
    // The next change shows the gauge laid out for the small display, centred on it.
    ASSERT_TRUE(SimPress(5) && WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; }));
    RECT r = WindowRect(gauge);
    EXPECT_TRUE(r.left == 640 - r.right && r.bottom == 480 - 480 / 8) << r.left << "," << r.right << "," << r.bottom;
    ASSERT_TRUE(SetDisplay(1024, 768));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(gauge); }));
    EXPECT_TRUE(WaitUntil([&] { RECT back = WindowRect(indicator); return EqualRect(&back, &home) != FALSE; }));
    ExpectAliveThenExit(kestrel);   // only a drag stores a place: the display's own moves store nothing
}

} // namespace
