// The world outside misbehaving while Kestrel runs: a driver that answers nonsense, fails or goes
// away, damaged registry values, a display that changes size, a notification area that is
// re-created under the open menu. Kestrel must keep running, show each fallback, stay responsive,
// and leave every stored value as it was.
#include "scenario/Scenario.h"

#include <commctrl.h>

#include <memory>

#include "FakeBattery.h"
#include "SimControl.h"
#include "app/AppState.h"
#include "app/Text.h"
#include "indicator/IndicatorWindow.h"
#include "osd/BrightnessOsd.h"
#include "sheet/PowerControlPage.h"

namespace {

const UINT CmdProperties = 40003;
const UINT CmdExit = 40005;
const UINT TrayCallbackMessage = 0x8064;
const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";
const char ProductKey[] = "Software\\Ardwick\\Kestrel";

// Every value of a key, its type and bytes, in the registry's order; "" for no key.
std::string KeySnapshot(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    std::string all = "key";
    for (DWORD i = 0;; i++) {
        char name[256];
        BYTE data[8192];
        DWORD nameSize = sizeof name, type = 0, size = sizeof data;
        if (RegEnumValueA(key, i, name, &nameSize, NULL, &type, data, &size) != ERROR_SUCCESS)
            break;
        all += "|" + std::string(name) + ":" + std::to_string(type) + ":" + std::string((char *)data, size);
    }
    RegCloseKey(key);
    return all;
}

void StoreRaw(HKEY root, const char *path, const char *name, DWORD type, const std::string &bytes)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(root, path, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, (const BYTE *)bytes.data(), (DWORD)bytes.size()));
    RegCloseKey(key);
}

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChildId(HWND child, LPARAM lParam)
{
    ChildSearch *search = (ChildSearch *)lParam;
    if (GetDlgCtrlID(child) != search->id)
        return TRUE;
    search->found = child;
    return FALSE;
}

// A control of any page of a dialog or property sheet.
HWND FindChildById(HWND parent, int id)
{
    ChildSearch search = { id, NULL };
    EnumChildWindows(parent, MatchChildId, (LPARAM)&search);
    return search.found;
}

bool Responsive(HWND window)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

// The process's top-level windows of the static class: the indicator (visible, takes the mouse)
// and the brightness gauge (created hidden and disabled).
HWND IndicatorOf(DWORD processId)
{
    return FindProcessWindow(processId, "Static", NULL, [](HWND w) {
        return IsWindowVisible(w) && !(GetWindowLongA(w, GWL_STYLE) & WS_DISABLED);
    });
}

HWND GaugeOf(DWORD processId)
{
    return FindProcessWindow(processId, "Static", NULL,
                             [](HWND w) { return (GetWindowLongA(w, GWL_STYLE) & WS_DISABLED) != 0; });
}

RECT WindowRect(HWND window)
{
    RECT r = { 0, 0, 0, 0 };
    GetWindowRect(window, &r);
    return r;
}

RECT WorkArea()
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// Counts the level reads the driver has received since its log was cleared.
int LevelReads()
{
    std::string reads = DriverRequests("lcd-get");
    if (reads.empty())
        return 0;
    int n = 1;
    for (char c : reads)
        n += c == ',';
    return n;
}

class WorldFaults : public KestrelScenario {
protected:
    void SetUp() override
    {
        KestrelScenario::SetUp();
        SimState state;
        REQUIRE_TEST_WORLD(SimGetState(&state), "the driver simulator is not loaded in this prefix");
        battery = FakeBatteryFolder();
        REQUIRE_TEST_WORLD(battery, "no fake battery: the test run could not make a private mount namespace");
        ASSERT_TRUE(SimReset());
        ASSERT_TRUE(FakeBatterySet(battery, FakeAcNotCharging, 100, 0));
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }
    void TearDown() override
    {
        KestrelScenario::TearDown();
        SimReset();
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }

    // Starts Kestrel without splash or sibling and waits until its start-up notices have run:
    // the indicator shows, and a driver that answers has had its ring setting written back.
    bool StartSettled(const char *arguments, bool ringAnswers)
    {
        settingsAtStart = KeySnapshot(HKEY_CURRENT_USER, SettingsKey);
        kestrel.reset(new KestrelProcess);
        if (!kestrel->Start(arguments) || !kestrel->WaitForMainWindow())
            return false;
        if (!WaitUntil([&] { return IndicatorOf(kestrel->Id()) != NULL; }))
            return false;
        return !ringAnswers || WaitUntil([] { return DriverRequests("ring-set") != ""; });
    }

    // Nothing the user did not apply is stored: every value is as it was when Kestrel started.
    void ExpectAliveThenExit()
    {
        ASSERT_TRUE(kestrel->Running()) << "Kestrel ended";
        EXPECT_TRUE(Responsive(kestrel->MainWindow()));
        ASSERT_TRUE(kestrel->Post(WM_COMMAND, CmdExit, 0));
        DWORD code = 99;
        EXPECT_TRUE(kestrel->WaitForExit(10000, &code));
        EXPECT_EQ(0u, code);
        EXPECT_EQ(settingsAtStart, KeySnapshot(HKEY_CURRENT_USER, SettingsKey));
    }

    // The driver has read its level since the key was pressed: the program saw the change.
    static bool PressSeen()
    {
        SimState state;
        return SimGetState(&state) && state.lcdChanged == 0;
    }

    std::unique_ptr<KestrelProcess> kestrel;   // a fresh one for every start
    std::string settingsAtStart;
    const char *battery = NULL;
};

TEST_F(WorldFaults, AnyLevelCountIsClampedToAndOnlyAUsableOneGetsAGauge)
{
    struct Case { DWORD count; bool gauge; };
    const Case cases[] = { { 0, false }, { 1, false }, { 2, false }, { 3, true }, { 65535, false },
                           { 65536, false }, { 4294967295u, false } };
    for (const Case &c : cases) {
        SCOPED_TRACE("level count " + std::to_string(c.count));
        ASSERT_TRUE(SimReset());
        SimState state;
        state.lcdCount = state.cpuCount = c.count;
        ASSERT_TRUE(SimSetFields(SIM_FIELD_LCDCOUNT | SIM_FIELD_CPUCOUNT, &state));
        ASSERT_TRUE(StartSettled("/D /X /Z", true));

        // On AC the highest level of each; a count of 0 has none to send.
        std::string top = std::to_string(c.count - 1);
        EXPECT_EQ(c.count ? "lcd-set " + top + ", cpu-set " + top + ", ring-set 0" : "ring-set 0",
                  DriverRequests("-set"));

        // Gauges too wide for the screen (65535 levels, or a count whose low 16 bits are 0 or
        // 65535) are never made; one of three levels is, and shows only levels it has.
        HWND gauge = GaugeOf(kestrel->Id());
        EXPECT_EQ(c.gauge, gauge != NULL);
        if (c.count > 2) {
            const DWORD outside[] = { 3, c.count, 0x7FFFFFFF };
            for (DWORD level : outside) {
                ASSERT_TRUE(SimPress(level));
                ASSERT_TRUE(WaitUntil(PressSeen)) << "level " << level;
                EXPECT_FALSE(gauge && IsWindowVisible(gauge)) << "level " << level;
            }
        }
        if (gauge) {
            ASSERT_TRUE(SimPress(2));
            EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; }));
        }
        ExpectAliveThenExit();
    }
}

TEST_F(WorldFaults, LevelCountsNoSliderCanShowLeaveTheStoredLevelsAloneOnOk)
{
    SimState state;
    state.lcdCount = 65535;
    state.cpuCount = 4294967295u;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_LCDCOUNT | SIM_FIELD_CPUCOUNT, &state));
    StoreDword("LCDBackLightAC", 5);
    StoreDword("LCDBackLightDC", 1);
    StoreDword("CPUClockAC", 40000);
    StoreDword("CPUClockDC", 2);
    ASSERT_TRUE(StartSettled("/D /X /Z", true));

    ASSERT_TRUE(kestrel->Post(WM_COMMAND, CmdProperties, 0));
    HWND sheet = kestrel->WaitForWindow("#32770", "Kestrel Properties");
    ASSERT_TRUE(sheet != NULL);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }));
    const int sliders[] = { IdcBacklightAc, IdcClockAc };
    for (int id : sliders) {
        HWND slider = NULL;
        ASSERT_TRUE(WaitUntil([&] { return (slider = FindChildById(sheet, id)) != NULL; })) << id;
        EXPECT_FALSE(IsWindowEnabled(slider)) << id;
    }
    ASSERT_TRUE(SimClearLog());
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }));
    // OK still asks for the levels to be pushed again: those stored, cut to the counts.
    EXPECT_TRUE(WaitUntil([] { return DriverRequests("-set") == "lcd-set 5, cpu-set 40000"; }))
        << DriverRequests("-set");
    ExpectAliveThenExit();   // and OK stored nothing
}

TEST_F(WorldFaults, ADriverThatFailsEveryRequestLeavesEveryFeatureOff)
{
    SimState state;
    state.faults = SIM_FAULT_FAIL;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_FAULTS, &state));
    ASSERT_TRUE(StartSettled("/D /X /Z", false));
    // Each probe fails once; nothing is set, read or polled afterwards.
    EXPECT_EQ("lcd-count 0, cpu-count 0, ring-get 0", DriverRequests());
    EXPECT_TRUE(GaugeOf(kestrel->Id()) == NULL);
    SendAndWait(kestrel->MainWindow(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_EQ("lcd-count 0, cpu-count 0, ring-get 0", DriverRequests());
    ExpectAliveThenExit();
}

TEST_F(WorldFaults, ALevelWordChangedOnEveryReadKeepsTheGaugeUpUntilItRests)
{
    ASSERT_TRUE(StartSettled("/D /X /Z", true));
    HWND gauge = GaugeOf(kestrel->Id());
    ASSERT_TRUE(gauge != NULL);

    // Bit 31 on every read, first with a level the gauge does not have: never shown.
    SimState state;
    state.faults = SIM_FAULT_CHANGED;
    state.lcdLevel = 8;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_FAULTS | SIM_FIELD_LCDLEVEL, &state));
    ASSERT_TRUE(SimClearLog());
    ASSERT_TRUE(WaitUntil([] { return LevelReads() >= 2; }));
    EXPECT_FALSE(IsWindowVisible(gauge));

    // A level it has: shown, and kept up while every read reports a change, polled ten times a second.
    state.lcdLevel = 4;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_LCDLEVEL, &state));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; }));
    ASSERT_TRUE(SimClearLog());
    DWORD start = GetTickCount();
    ASSERT_TRUE(WaitUntil([] { return LevelReads() >= 10; }));
    EXPECT_LT(GetTickCount() - start, 5000u) << "polling did not speed up";
    EXPECT_TRUE(IsWindowVisible(gauge));
    EXPECT_TRUE(Responsive(kestrel->MainWindow()));

    // The keys rest: 13 quiet ticks later the gauge goes.
    state.faults = 0;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_FAULTS, &state));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(gauge); }));
    ExpectAliveThenExit();
}

bool StartDriver()
{
    return RunProgram("kestrelctl.exe start", 30000) == 0 && RunProgram("kestrelsim-setup.exe install-acpi", 30000) == 0;
}

TEST_F(WorldFaults, TheDriverFailingRemovedAndStoppedUnderARunningKestrel)
{
    // The device the root device's removal takes away is the one Kestrel holds in ACPI mode; the
    // one the stopping driver deletes, in APM mode.
    const char *modes[] = { "/D /X /A", "/D /X /Z" };
    for (const char *mode : modes) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(StartDriver());
        ASSERT_TRUE(SimReset());
        ASSERT_TRUE(FakeBatterySet(battery, FakeAcNotCharging, 100, 0));
        ASSERT_TRUE(StartSettled(mode, true));
        ASSERT_TRUE(GaugeOf(kestrel->Id()) != NULL);

        // Failing from now on: the pushes of a resume go out and fail silently.
        SimState state;
        state.faults = SIM_FAULT_FAIL;
        ASSERT_TRUE(SimSetFields(SIM_FIELD_FAULTS, &state));
        ASSERT_TRUE(SimClearLog());
        SendAndWait(kestrel->MainWindow(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        EXPECT_EQ("lcd-set 7, cpu-set 3", DriverRequests("-set"));

        ASSERT_EQ(0, RunProgram("kestrelsim-setup.exe remove-acpi", 30000));
        ASSERT_TRUE(Responsive(kestrel->MainWindow()));
        RunProgram("sc.exe stop kestrelsim", 30000);
        EXPECT_TRUE(WaitUntil([] { SimInfo info; return !SimGetInfo(&info); })) << "the driver did not stop";
        SendAndWait(kestrel->MainWindow(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 50, 100));
        SendAndWait(kestrel->MainWindow(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
        ExpectAliveThenExit();
    }

    // Started while the driver is absent: no device, every feature off, running all the same.
    ASSERT_TRUE(StartSettled("/D /X /Z", false));
    EXPECT_TRUE(GaugeOf(kestrel->Id()) == NULL);
    ExpectAliveThenExit();

    // Back for the tests that follow.
    EXPECT_TRUE(StartDriver());
    EXPECT_TRUE(SimReset());
}

TEST_F(WorldFaults, DamagedSettingsGiveTheirDefaultsAndAreLeftAsTheyAre)
{
    // Every one of the eleven damaged: wrong types, sizes 0, 1, 3 and 5 and a large one.
    struct Value { const char *name; DWORD type; std::string bytes; };
    const Value values[] = {
        { "LCDBackLightAC", REG_BINARY, std::string(5, '\x02') },       // too long: highest
        { "LCDBackLightDC", REG_DWORD, std::string() },                 // empty: 0
        { "CPUClockAC", REG_QWORD, std::string(8, '\x01') },            // too long: highest
        { "CPUClockDC", REG_DWORD, std::string(1, '\x02') },            // one byte: 2
        { "IndicatorShowWindow", REG_BINARY, std::string(4096, '\0') }, // too long: shown
        { "IndicatorNumber", REG_SZ, std::string("hello", 6) },         // too long: skin 1
        { "IndicatorPosition", REG_DWORD, std::string(5, '\x03') },     // too long: top right
        { "IndicatorVerticalStyle", REG_BINARY, std::string(3, '\0') }, // three bytes: horizontal
        { "IndicatorMode", REG_MULTI_SZ, std::string("1\0\0", 3) },     // three bytes: 0x31, mark shown
        { "IndicatorPositionX", REG_SZ, std::string(300, 'x') },
        { "IndicatorPositionY", REG_EXPAND_SZ, std::string("%Y%\0", 4) },
    };
    for (const Value &v : values)
        StoreRaw(HKEY_CURRENT_USER, SettingsKey, v.name, v.type, v.bytes);
    // The installation folder as unterminated bytes of another type.
    StoreRaw(HKEY_LOCAL_MACHINE, ProductKey, "InstFolder", REG_BINARY, InstallFolder);
    const std::string product = KeySnapshot(HKEY_LOCAL_MACHINE, ProductKey);

    ASSERT_TRUE(StartSettled("/D /X /Z", true));
    EXPECT_EQ("lcd-set 7, cpu-set 3, ring-set 0", DriverRequests("-set"));
    HWND indicator = IndicatorOf(kestrel->Id());
    RECT r = WindowRect(indicator), area = WorkArea();
    EXPECT_EQ(area.right, r.right);
    EXPECT_EQ(area.top, r.top);
    EXPECT_GT(r.right - r.left, r.bottom - r.top) << "not horizontal";

    // Unplugged: the battery levels as they lie in their short values.
    ASSERT_TRUE(SimClearLog());
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 50, 100));
    SendAndWait(kestrel->MainWindow(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_EQ("lcd-set 0, cpu-set 2", DriverRequests("-set"));
    ExpectAliveThenExit();
    EXPECT_EQ(product, KeySnapshot(HKEY_LOCAL_MACHINE, ProductKey));
}

// Sets the display mode of the virtual desktop and waits until this process sees it.
bool SetDisplay(DWORD width, DWORD height)
{
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    LONG result = ChangeDisplaySettingsA(&mode, 0);
    EXPECT_EQ(DISP_CHANGE_SUCCESSFUL, result) << width << " x " << height;
    return result == DISP_CHANGE_SUCCESSFUL && WaitUntil([&] {
        return GetSystemMetrics(SM_CXSCREEN) == (int)width && GetSystemMetrics(SM_CYSCREEN) == (int)height;
    });
}

// Puts the display back whatever the test's outcome.
struct DisplayRestorer {
    ~DisplayRestorer() { SetDisplay(1024, 768); }
};

TEST_F(WorldFaults, TheIndicatorAndTheGaugeFollowTheDisplayTo640x480AndBack)
{
    // A free position that the small display cannot hold.
    StoreDword("IndicatorPosition", 4);
    StoreDword("IndicatorPositionX", 900);
    StoreDword("IndicatorPositionY", 600);
    ASSERT_TRUE(StartSettled("/D /X /Z", true));
    HWND indicator = IndicatorOf(kestrel->Id()), gauge = GaugeOf(kestrel->Id());
    ASSERT_TRUE(gauge != NULL);
    RECT home = WindowRect(indicator);
    EXPECT_EQ(900, home.left);
    EXPECT_EQ(600, home.top);
    ASSERT_TRUE(SimPress(3));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; }));

    DisplayRestorer restorer;
    ASSERT_TRUE(SetDisplay(640, 480));
    // The shown gauge goes at once; the indicator moves flush into the bottom-right corner.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(gauge); }));
    EXPECT_TRUE(WaitUntil([&] { RECT r = WindowRect(indicator); return r.right == 640 && r.bottom == 480; }))
        << "indicator at " << WindowRect(indicator).left << ", " << WindowRect(indicator).top;
    // The next change shows the gauge laid out for the small display, centred on it.
    ASSERT_TRUE(SimPress(5));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(gauge) != FALSE; }));
    RECT r = WindowRect(gauge);
    EXPECT_EQ(640 - r.right, r.left);
    EXPECT_EQ(480 - 480 / 8, r.bottom);
    EXPECT_TRUE(Responsive(kestrel->MainWindow()));

    ASSERT_TRUE(SetDisplay(1024, 768));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(gauge); }));
    EXPECT_TRUE(WaitUntil([&] { RECT back = WindowRect(indicator); return EqualRect(&back, &home) != FALSE; }));
    // Only a drag stores a place: the display's own moves store nothing.
    ExpectAliveThenExit();
}

// Wine keeps the work area per process: the taskbar's move is seen by the program's own indicator
// and gauge made in this process, as Kestrel would see it; the running Kestrel gets the notice.
TEST_F(WorldFaults, TheTaskbarMovedPutsTheIndicatorIntoTheNewWorkAreaAndHidesTheGauge)
{
    ASSERT_TRUE(StartSettled("/D /X /Z", true));
    HWND kestrelGauge = GaugeOf(kestrel->Id());
    ASSERT_TRUE(kestrelGauge != NULL);
    ASSERT_TRUE(SimPress(3));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(kestrelGauge) != FALSE; }));

    CopyText(appState.installFolder, PathSize, InstallFolder);
    CopyText(appState.resourceFolder, PathSize, InstallFolder);
    AppendText(appState.resourceFolder, PathSize, "\\Resource\\");
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    IndicatorWindow indicator;
    ASSERT_TRUE(indicator.Create(GetModuleHandleA(NULL), owner, 1, 1, 0, TRUE, 57, OnBattery, 75, "tip"));
    BrightnessOsd osd;
    const GaugeStyle style = { 8, 8, FW_BOLD, "Arial", NULL, NULL, NULL, TRUE, TRUE, 3, 3, TRUE, 1,
                               RGB(0, 255, 0), RGB(0, 0, 0) };
    ASSERT_TRUE(osd.Create(GetModuleHandleA(NULL), owner, style));
    ASSERT_TRUE(osd.Show(3));

    // The taskbar, 60 pixels wide, moved to the right edge of the screen; the system tells every
    // window only when the change is also to be kept.
    const UINT tellEveryWindow = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
    const RECT original = WorkArea();
    RECT moved = original;
    moved.right -= 60;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &moved, tellEveryWindow));
    RECT r = WindowRect(indicator.Window());
    EXPECT_EQ(moved.right, r.right);
    EXPECT_EQ(moved.top, r.top);
    EXPECT_FALSE(IsWindowVisible(osd.Window()));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(kestrelGauge); }));
    EXPECT_TRUE(Responsive(kestrel->MainWindow()));

    SystemParametersInfoA(SPI_SETWORKAREA, 0, (void *)&original, tellEveryWindow);
    r = WindowRect(indicator.Window());
    EXPECT_EQ(original.right, r.right);
    osd.Destroy();
    indicator.Destroy();
    DestroyWindow(owner);
    ExpectAliveThenExit();
}

HWND WaitForMenu(DWORD processId)
{
    HWND menu = NULL;
    WaitUntil([&] { return (menu = FindProcessWindow(processId, "#32768", NULL)) && IsWindowVisible(menu); });
    return menu;
}

TEST_F(WorldFaults, TheNotificationAreaRecreatedUnderTheOpenMenuGetsTheIconBackOnce)
{
    REQUIRE_TEST_WORLD(WaitUntil([] { return FindWindowA("Shell_TrayWnd", NULL) != NULL; }, 15000),
                       "the virtual desktop has no notification area");
    ASSERT_TRUE(WaitUntil([] { return TraySlotEmpty(0); })) << "an earlier program's icon is still shown";
    ASSERT_TRUE(StartSettled("/D /X /Z", true));
    ASSERT_TRUE(WaitUntil([] { return !TraySlotEmpty(0); }));
    ASSERT_TRUE(kestrel->Post(TrayCallbackMessage, 0, WM_RBUTTONDOWN));
    HWND menu = WaitForMenu(kestrel->Id());
    ASSERT_TRUE(menu != NULL);
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

    // A notice without a real restart: the shell still has the icon, and keeps one.
    DWORD_PTR result;
    SendMessageTimeoutA(kestrel->MainWindow(), taskbarCreated, 0, 0, SMTO_BLOCK, 5000, &result);
    EXPECT_FALSE(TraySlotEmpty(0));
    EXPECT_TRUE(TraySlotEmpty(1));

    // A real restart has lost every icon.
    NOTIFYICONDATAA gone;
    ZeroMemory(&gone, sizeof gone);
    gone.cbSize = 88;
    gone.hWnd = kestrel->MainWindow();
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    ASSERT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
    PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return !TraySlotEmpty(0); }));
    EXPECT_TRUE(TraySlotEmpty(1));

    // The menu stayed open through it all and still works.
    EXPECT_TRUE(IsWindowVisible(menu));
    ASSERT_TRUE(PostMessageA(menu, WM_CHAR, 'x', 0));
    DWORD code = 99;
    ASSERT_TRUE(kestrel->WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(WaitUntil([] { return TraySlotEmpty(0); }));
}

} // namespace
