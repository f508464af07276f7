// The settings sheet in the running program, driven with the real mouse and keyboard (xdotool on
// the test display), read back from the screen's windows, the registry and the driver's record.
#include "scenario/Scenario.h"

#include <commctrl.h>

#include "SimControl.h"

namespace {

const UINT SettingsChangedMessage = 0x8065;
const char SheetTitle[] = "Kestrel Properties";

bool ClickTrayIcon(int clicks)
{
    RECT slot;
    return TraySlot(0, &slot) && ClickScreen((slot.left + slot.right) / 2, (slot.top + slot.bottom) / 2, clicks);
}

// A control of any page the sheet has created (the ids differ from page to page), or a button of
// the sheet itself.
HWND Control(HWND sheet, int id)
{
    for (HWND page = GetWindow(sheet, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
        if (HWND control = GetDlgItem(page, id))
            return control;
    return GetDlgItem(sheet, id);
}

HWND WaitForControl(HWND sheet, int id)
{
    HWND control = NULL;
    WaitUntil([&] { return (control = Control(sheet, id)) != NULL && IsWindowVisible(GetParent(control)); });
    return control;
}

std::string Text(HWND window)
{
    // Asked of the control itself: a drop-down list's text is its selected item.
    char text[256] = "";
    DWORD_PTR result;
    if (window)
        SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_BLOCK, 5000, &result);
    return text;
}

HWND Tabs(HWND sheet)
{
    return FindWindowExA(sheet, NULL, "SysTabControl32", NULL);
}

// Clicks a tab of the sheet; its rectangle is asked for in the program's own memory.
bool ClickTab(DWORD processId, HWND sheet, int index)
{
    HWND tabs = Tabs(sheet);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!tabs || !process)
        return false;
    RECT r = { 0, 0, 0, 0 };
    void *remote = VirtualAllocEx(process, NULL, sizeof r, MEM_COMMIT, PAGE_READWRITE);
    bool read = remote && SendMessageA(tabs, TCM_GETITEMRECT, index, (LPARAM)remote)
                && ReadProcessMemory(process, remote, &r, sizeof r, NULL);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!read)
        return false;
    MapWindowPoints(tabs, NULL, (POINT *)&r, 2);
    return ClickScreen((r.left + r.right) / 2, (r.top + r.bottom) / 2)
        && WaitUntil([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == index; });
}

class Sheet : public KestrelWorld {
protected:
    // Starts Kestrel and waits until its icon shows.
    void Start(KestrelProcess &kestrel, const char *mode)
    {
        ASSERT_TRUE(kestrel.Launch(std::string("/D /X ") + mode));
        ASSERT_TRUE(WaitUntil([] { return !TraySlotEmpty(0); }));
    }

    HWND OpenFromTrayIcon(KestrelProcess &kestrel)
    {
        if (!ClickTrayIcon(2))
            return NULL;
        return WaitUntilShown(kestrel.WaitForWindow("#32770", SheetTitle));
    }

    // The sheet is shown once its first page has prepared (and centred) it.
    static HWND WaitUntilShown(HWND sheet)
    {
        return sheet && WaitUntil([&] { return IsWindowVisible(sheet) != 0; }) ? sheet : NULL;
    }

    static bool Close(HWND sheet, int button)
    {
        return ClickCentre(Control(sheet, button)) && WaitUntil([&] { return !IsWindow(sheet); });
    }
};

TEST_F(Sheet, OpensOnPowerControlCentredAndComesForwardInsteadOfOpeningTwice)
{
    KestrelProcess kestrel;
    Start(kestrel, "/Z");
    HWND sheet = OpenFromTrayIcon(kestrel);
    ASSERT_TRUE(sheet != NULL);

    EXPECT_EQ(0, GetWindowLongPtrA(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) << "the caption has a \"?\" button";
    RECT desktop, r;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(sheet, &r);
    EXPECT_EQ((desktop.right - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ((desktop.bottom - (r.bottom - r.top)) / 2, r.top);
    EXPECT_EQ(4, SendMessageA(Tabs(sheet), TCM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(1, SendMessageA(Tabs(sheet), TCM_GETCURSEL, 0, 0));

    // Nothing stored: AC at the brightest and fastest, battery at the darkest and slowest.
    EXPECT_EQ(7, SendMessageA(WaitForControl(sheet, 1102), TBM_GETPOS, 0, 0));
    EXPECT_EQ(0, SendMessageA(Control(sheet, 1105), TBM_GETPOS, 0, 0));
    EXPECT_EQ(3, SendMessageA(Control(sheet, 1109), TBM_GETPOS, 0, 0));
    EXPECT_EQ(0, SendMessageA(Control(sheet, 1112), TBM_GETPOS, 0, 0));

    // Another double click, and then a single press, on the icon bring the open sheet forward.
    UserWindow bystander;
    ASSERT_TRUE(bystander.TakeForeground());
    ASSERT_TRUE(ClickTrayIcon(2));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == sheet; }, 5000));
    ASSERT_TRUE(bystander.TakeForeground());
    Sleep(GetDoubleClickTime() + 100);   // so that the press is not taken for a double click
    ASSERT_TRUE(ClickTrayIcon(1));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == sheet; }, 5000));
    EXPECT_TRUE(FindProcessWindow(kestrel.Id(), "#32770", SheetTitle, [&](HWND w) { return w != sheet; }) == NULL);

    // Moving a slider and cancelling stores and sends nothing.
    ASSERT_TRUE(SimClearLog());
    HWND batteryBacklight = Control(sheet, 1105);
    ASSERT_TRUE(ClickCentre(batteryBacklight));
    ASSERT_TRUE(Xdo("key End"));
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(batteryBacklight, TBM_GETPOS, 0, 0) == 7; }));
    ASSERT_TRUE(Close(sheet, IDCANCEL));
    DWORD value;
    EXPECT_FALSE(StoredDword("LCDBackLightDC", &value));
    EXPECT_FALSE(StoredDword("LCDBackLightAC", &value));
    // A marker behind any notice the sheet might have posted: the ring value sent back unchanged.
    ASSERT_TRUE(kestrel.Post(SettingsChangedMessage, 2, 0));
    ASSERT_TRUE(WaitUntil([] { return DriverRequests("ring-set") != ""; }));
    EXPECT_EQ("ring-set 0", DriverRequests("-set"));
    kestrel.Exit();
}

TEST_F(Sheet, AStoredLevelBeyondTheDriverShowsClampedAndOkStoresItAndPushesTheAcLevels)
{
    SimState state;
    state.lcdCount = 4;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_LCDCOUNT, &state));
    StoreDword("LCDBackLightAC", 7);
    KestrelProcess kestrel;
    Start(kestrel, "/Z");
    ASSERT_TRUE(WaitUntil([] { return DriverRequests("ring-set") != ""; }));
    ASSERT_TRUE(SimClearLog());

    HWND sheet = OpenFromTrayIcon(kestrel);
    ASSERT_TRUE(sheet != NULL);
    EXPECT_EQ(3, SendMessageA(WaitForControl(sheet, 1102), TBM_GETPOS, 0, 0));
    ASSERT_TRUE(Close(sheet, IDOK));

    DWORD value = 99;
    EXPECT_TRUE(StoredDword("LCDBackLightAC", &value) && value == 3) << value;
    EXPECT_TRUE(StoredDword("LCDBackLightDC", &value) && value == 0) << value;
    EXPECT_TRUE(StoredDword("CPUClockAC", &value) && value == 3) << value;
    EXPECT_TRUE(StoredDword("CPUClockDC", &value) && value == 0) << value;
    // On AC power the main window pushes the AC levels; the unvisited Indicator page stores nothing.
    EXPECT_TRUE(WaitUntil([] { return DriverRequests("-set") == "lcd-set 3, cpu-set 3"; })) << DriverRequests();
    EXPECT_FALSE(StoredDword("IndicatorShowWindow", &value));
    EXPECT_FALSE(StoredDword("IndicatorMode", &value));
    kestrel.Exit();
}

TEST_F(Sheet, TheIndicatorOpensTheSheetAndItsPageStoresAllFiveAndRebuildsIt)
{
    KestrelProcess kestrel;
    Start(kestrel, "/Z");
    HWND indicator = NULL;
    ASSERT_TRUE(WaitUntil([&] { return (indicator = FindVisibleWindow(kestrel.Id(), "Static")) != NULL; }));

    // A double click on the indicator opens the sheet.
    ASSERT_TRUE(ClickCentre(indicator, 2));
    HWND sheet = WaitUntilShown(kestrel.WaitForWindow("#32770", SheetTitle));
    ASSERT_TRUE(sheet != NULL);
    ASSERT_TRUE(ClickTab(kestrel.Id(), sheet, 2));
    HWND kind = WaitForControl(sheet, 1202);
    HWND time = Control(sheet, 1206), mark = Control(sheet, 1205);
    ASSERT_TRUE(kind && time && mark);
    EXPECT_EQ("01 - Kestrel Classic", Text(kind));
    EXPECT_TRUE(IsWindowVisible(time) && IsWindowEnabled(time));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(time, BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_CHECKED, SendMessageA(mark, BM_GETCHECK, 0, 0));

    // Switched off, the group is disabled and the sample goes; the time box stays in sight.
    HWND show = Control(sheet, 1200), sample = Control(sheet, 1203);
    ASSERT_TRUE(ClickCentre(show));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(sample); }));
    EXPECT_FALSE(IsWindowEnabled(kind));
    EXPECT_TRUE(IsWindowVisible(time) && !IsWindowEnabled(time));
    ASSERT_TRUE(ClickCentre(show));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(sample) && IsWindowEnabled(kind); }));

    // The user asks for the time; the slim skin never shows it, so its box goes, and comes back
    // with the user's choice when a free skin is chosen again.
    ASSERT_TRUE(ClickCentre(time));
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(time, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    ASSERT_TRUE(ClickCentre(kind));
    ASSERT_TRUE(Xdo("key Down Down Return"));
    ASSERT_TRUE(WaitUntil([&] { return Text(kind) == "03 - Slim gauge"; }));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(time); }));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(time, BM_GETCHECK, 0, 0));
    EXPECT_TRUE(IsWindowVisible(mark));
    EXPECT_FALSE(IsWindowEnabled(mark));
    ASSERT_TRUE(Xdo("key Up"));   // the closed list keeps the focus: the arrows choose
    ASSERT_TRUE(WaitUntil([&] { return Text(kind) == "02 - Night Owl"; }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(time); }));
    EXPECT_EQ(BST_CHECKED, SendMessageA(time, BM_GETCHECK, 0, 0));
    ASSERT_TRUE(Xdo("key Down"));
    ASSERT_TRUE(WaitUntil([&] { return Text(kind) == "03 - Slim gauge"; }));

    ASSERT_TRUE(Close(sheet, IDOK));
    DWORD value = 99;
    EXPECT_TRUE(StoredDword("IndicatorShowWindow", &value) && value == 1) << value;
    EXPECT_TRUE(StoredDword("IndicatorNumber", &value) && value == 3) << value;
    EXPECT_TRUE(StoredDword("IndicatorPosition", &value) && value == 0) << value;
    EXPECT_TRUE(StoredDword("IndicatorVerticalStyle", &value) && value == 0) << value;
    EXPECT_TRUE(StoredDword("IndicatorMode", &value) && value == 1) << value;   // the mark, as forced
    // The main window has built a new indicator in place of the old one.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(indicator) && FindVisibleWindow(kestrel.Id(), "Static") != NULL; }));
    kestrel.Exit();
}

TEST_F(Sheet, TheOtherPageSendsTheRingSettingBackOnlyOnOk)
{
    SimState state;
    state.ringValue = 5;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_RINGVALUE, &state));
    KestrelProcess kestrel;
    Start(kestrel, "/Z");
    ASSERT_TRUE(WaitUntil([] { return DriverRequests("ring-set") != ""; }));

    for (int button : { IDCANCEL, IDOK }) {
        ASSERT_TRUE(SimClearLog());
        HWND sheet = OpenFromTrayIcon(kestrel);
        ASSERT_TRUE(sheet != NULL);
        ASSERT_TRUE(ClickTab(kestrel.Id(), sheet, 3));
        HWND ring = WaitForControl(sheet, 1204);
        ASSERT_TRUE(ring != NULL);
        EXPECT_EQ(BST_CHECKED, SendMessageA(ring, BM_GETCHECK, 0, 0)) << "the driver holds 5";
        if (button == IDCANCEL) {
            ASSERT_TRUE(ClickCentre(ring));
            ASSERT_TRUE(WaitUntil([&] { return SendMessageA(ring, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
        }
        ASSERT_TRUE(Close(sheet, button));
        // The page talks to the driver while the sheet closes, not afterwards.
        EXPECT_EQ(button == IDOK ? "ring-set 1" : "", DriverRequests("ring-set"));
    }
    kestrel.Exit();
}

TEST_F(Sheet, InAcpiModeThereAreThreeTabsAndTheVersionPageReportsTheDriver)
{
    SimState state;
    state.features = SIM_LCD;   // backlight only
    ASSERT_TRUE(SimSetFields(SIM_FIELD_FEATURES, &state));
    struct {
        bool driverPresent;
        const char *texts[4];
    } cases[] = {
        { true, { "ACPI mode", "The driver's operation is normal.", "The feature supported",
                  "The current machine does not support the feature." } },
        { false, { "ACPI mode", "The driver is not installed, or some error occurs.",
                   "Driver availability unknown", "Driver availability unknown" } },
    };
    const int ids[4] = { 1003, 1302, 1004, 1005 };
    for (const auto &c : cases) {
        if (!c.driverPresent) {
            ASSERT_EQ(0, RunProgram("kestrelsim-setup.exe remove-acpi", 30000));
            ASSERT_TRUE(SimClearLog());
        }
        KestrelProcess kestrel;
        Start(kestrel, "/A");
        HWND sheet = OpenFromTrayIcon(kestrel);
        ASSERT_TRUE(sheet != NULL);
        EXPECT_EQ(3, SendMessageA(Tabs(sheet), TCM_GETITEMCOUNT, 0, 0));
        ASSERT_TRUE(ClickTab(kestrel.Id(), sheet, 0));
        ASSERT_TRUE(WaitForControl(sheet, 1003) != NULL);
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(c.texts[i], Text(Control(sheet, ids[i]))) << ids[i];
        ASSERT_TRUE(Close(sheet, IDCANCEL));
        kestrel.Exit();
        // Without the driver Kestrel runs all the same and never reaches it.
        EXPECT_EQ(c.driverPresent, DriverRequests() != "");
    }
    EXPECT_EQ(0, RunProgram("kestrelsim-setup.exe install-acpi", 30000));
}

TEST_F(Sheet, EachPagesHelpButtonOpensItsTopic)
{
    KestrelProcess kestrel;
    Start(kestrel, "/Z");
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, 40003, 0));   // as the menu's default item does
    HWND sheet = WaitUntilShown(kestrel.WaitForWindow("#32770", SheetTitle));
    ASSERT_TRUE(sheet != NULL);
    const char *titles[] = { "Version Information", "Power Control", "Indicator", "Other" };
    for (int page = 0; page < 4; page++) {
        SendMessageA(sheet, PSM_SETCURSEL, page, 0);
        ASSERT_TRUE(WaitUntil([&] { return SendMessageA(Tabs(sheet), TCM_GETCURSEL, 0, 0) == page; }));
        ASSERT_TRUE(PostMessageA(sheet, WM_COMMAND, IDHELP, 0));   // the sheet's Help button
        EXPECT_TRUE(WaitUntil([&] { return HelpViewerTitle() == titles[page]; }, 20000))
            << titles[page] << ": the help viewer shows \"" << HelpViewerTitle() << "\"";
    }
    CloseHelpViewer((std::string(InstallFolder) + "\\Kestrel.hlp").c_str());
    ASSERT_TRUE(Close(sheet, IDCANCEL));
    kestrel.Exit();
}

} // namespace
