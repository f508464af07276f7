// The settings sheet in the running program, driven with the real mouse and keyboard (xdotool on
// the test display; pages are turned as a click on a tab does), read back from the screen's
// windows, the registry and the driver's record.
#include "scenario/Scenario.h"

#include <commctrl.h>

#include "SimControl.h"
#include "res/resource.h"

namespace {

const char SheetTitle[] = "Kestrel Properties";

// A control of any page the sheet has created (the ids differ from page to page), or a button of
// the sheet itself.
HWND Control(HWND sheet, int id)
{
    for (HWND page = GetWindow(sheet, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
        if (HWND control = GetDlgItem(page, id))
            return control;
    return GetDlgItem(sheet, id);
}

// The control once its page is shown.
HWND WaitForControl(HWND sheet, int id)
{
    HWND control = NULL;
    WaitUntil([&] { return (control = Control(sheet, id)) != NULL && IsWindowVisible(GetParent(control)); });
    return control;
}

// Asked of the control itself: a drop-down list's text is its selected item.
std::string Text(HWND window)
{
    char text[256] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_BLOCK, 5000, NULL);
    return text;
}

LRESULT Ask(HWND control, UINT message) { return SendMessageA(control, message, 0, 0); }

HWND Tabs(HWND sheet) { return FindWindowExA(sheet, NULL, "SysTabControl32", NULL); }

// Shows a page as a click on its tab does (the tab control's clicks are the system's own).
bool ShowPage(HWND sheet, int index)
{
    return SendMessageA(sheet, PSM_SETCURSEL, index, 0)
        && WaitUntil([&] { return Ask(Tabs(sheet), TCM_GETCURSEL) == index; });
}

class Sheet : public KestrelWorld {
protected:
    // Starts Kestrel and opens the sheet with a double click on its icon.
    HWND Open(KestrelProcess &running, const char *mode, bool ringAnswers = true)
    {
        RECT slot;
        if (!StartSettled(running, std::string("/D /X ") + mode, true, ringAnswers) || !TraySlot(0, &slot)
                || !WaitUntil([] { return !TraySlotEmpty(0); })
                || !ClickScreen((slot.left + slot.right) / 2, (slot.top + slot.bottom) / 2, 2))
            return NULL;
        return WaitUntilShown(running.WaitForWindow("#32770", SheetTitle));
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

TEST_F(Sheet, OpensOnPowerControlCentredComesForwardInsteadOfOpeningTwiceAndCancelKeepsEverything)
{
    HWND sheet = Open(kestrel, "/Z");
    ASSERT_TRUE(sheet != NULL);
    EXPECT_EQ(0, GetWindowLongPtrA(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) << "the caption has a \"?\" button";
    RECT desktop = WindowRect(GetDesktopWindow()), r = WindowRect(sheet);
    EXPECT_TRUE(r.left == (desktop.right - (r.right - r.left)) / 2 && r.top == (desktop.bottom - (r.bottom - r.top)) / 2);
    EXPECT_TRUE(Ask(Tabs(sheet), TCM_GETITEMCOUNT) == 4 && Ask(Tabs(sheet), TCM_GETCURSEL) == 1);
    // Nothing stored: AC at the brightest and fastest, battery at the darkest and slowest.
    EXPECT_EQ(7, Ask(WaitForControl(sheet, IDC_BACKLIGHT_AC), TBM_GETPOS));
    EXPECT_TRUE(Ask(Control(sheet, IDC_BACKLIGHT_DC), TBM_GETPOS) == 0
                && Ask(Control(sheet, IDC_CLOCK_AC), TBM_GETPOS) == 3
                && Ask(Control(sheet, IDC_CLOCK_DC), TBM_GETPOS) == 0);

    // Another double click, and then a single press, on the icon bring the open sheet forward.
    UserWindow bystander;
    RECT slot;
    ASSERT_TRUE(TraySlot(0, &slot));
    for (int clicks : { 2, 1 }) {
        ASSERT_TRUE(bystander.TakeForeground());
        Sleep(GetDoubleClickTime() + 100);   // so that a press is not taken for a double click
        ASSERT_TRUE(ClickScreen((slot.left + slot.right) / 2, (slot.top + slot.bottom) / 2, clicks));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == sheet; }, 5000)) << clicks;
    }
    EXPECT_TRUE(FindProcessWindow(kestrel.Id(), "#32770", SheetTitle, [&](HWND w) { return w != sheet; }) == NULL);

    // Moving a slider, changing the ring setting and cancelling stores and sends nothing.
    ASSERT_TRUE(SimClearLog());
    HWND batteryBacklight = Control(sheet, IDC_BACKLIGHT_DC);
    ASSERT_TRUE(ClickCentre(batteryBacklight) && Xdo("key End"));
    EXPECT_TRUE(WaitUntil([&] { return Ask(batteryBacklight, TBM_GETPOS) == 7; }));
    ASSERT_TRUE(ShowPage(sheet, 3) && ClickCentre(WaitForControl(sheet, IDC_RING_RESUME)));
    ASSERT_TRUE(WaitUntil([&] { return Ask(Control(sheet, IDC_RING_RESUME), BM_GETCHECK) == BST_CHECKED; }));
    ASSERT_TRUE(Close(sheet, IDCANCEL));
    EXPECT_EQ("", StoredSettings());
    // A marker behind any notice the sheet might have posted: the ring value sent back unchanged.
    ASSERT_TRUE(kestrel.Post(0x8065, 2, 0));
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
    HWND sheet = Open(kestrel, "/Z");
    ASSERT_TRUE(sheet != NULL);
    ASSERT_TRUE(SimClearLog());
    EXPECT_EQ(3, Ask(WaitForControl(sheet, IDC_BACKLIGHT_AC), TBM_GETPOS));
    ASSERT_TRUE(Close(sheet, IDOK));
    EXPECT_TRUE(StoredDword("LCDBackLightAC") == 3 && StoredDword("LCDBackLightDC") == 0 && StoredDword("CPUClockAC") == 3
                && StoredDword("CPUClockDC") == 0) << StoredSettings();
    // On AC power the main window pushes the AC levels; the unvisited Indicator page stores nothing.
    EXPECT_TRUE(WaitUntil([] { return DriverRequests("-set") == "lcd-set 3, cpu-set 3"; })) << DriverRequests();
    EXPECT_TRUE(StoredDword("IndicatorShowWindow") == NotStored && StoredDword("IndicatorMode") == NotStored);
    kestrel.Exit();
}

TEST_F(Sheet, TheIndicatorOpensTheSheetAndOkStoresAllFiveIndicatorValuesAndSendsTheRingSetting)
{
    SimState state;
    state.ringValue = 5;   // any value but 0 is on
    ASSERT_TRUE(SimSetFields(SIM_FIELD_RINGVALUE, &state));
    ASSERT_TRUE(StartSettled(kestrel, "/D /X /Z"));
    HWND indicator = IndicatorOf(kestrel.Id());
    ASSERT_TRUE(ClickCentre(indicator, 2));   // a double click on the indicator
    HWND sheet = WaitUntilShown(kestrel.WaitForWindow("#32770", SheetTitle));
    ASSERT_TRUE(sheet != NULL && ShowPage(sheet, 2));
    HWND kind = WaitForControl(sheet, IDC_KIND_LIST), time = Control(sheet, IDC_SHOW_REMAINING_TIME);
    HWND mark = Control(sheet, IDC_SHOW_POWER_STATUS), show = Control(sheet, IDC_SHOW_INDICATOR);
    HWND sample = Control(sheet, IDC_SAMPLE), place = Control(sheet, IDC_POSITION_LIST);
    ASSERT_TRUE(kind && time && mark && show && sample && place);
    EXPECT_EQ("01 - Kestrel Classic", Text(kind));
    EXPECT_TRUE(IsWindowVisible(time) && IsWindowEnabled(time) && Ask(time, BM_GETCHECK) == BST_UNCHECKED);
    EXPECT_EQ(BST_CHECKED, Ask(mark, BM_GETCHECK));

    // Switched off, the group is disabled and the sample goes; the time box stays in sight.
    ASSERT_TRUE(ClickCentre(show));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(sample); }));
    EXPECT_TRUE(!IsWindowEnabled(kind) && IsWindowVisible(time) && !IsWindowEnabled(time));
    ASSERT_TRUE(ClickCentre(show));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(sample) && IsWindowEnabled(kind); }));

    // The user asks for the time; the slim skin never shows it, so its box goes, and comes back
    // with the user's choice when a free skin is chosen again.
    ASSERT_TRUE(ClickCentre(time));
    ASSERT_TRUE(WaitUntil([&] { return Ask(time, BM_GETCHECK) == BST_CHECKED; }));
    ASSERT_TRUE(ClickCentre(kind) && Xdo("key Down Down Return"));
    ASSERT_TRUE(WaitUntil([&] { return Text(kind) == "03 - Slim gauge"; }));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(time); }));
    EXPECT_TRUE(Ask(time, BM_GETCHECK) == BST_UNCHECKED && IsWindowVisible(mark) && !IsWindowEnabled(mark));
    ASSERT_TRUE(Xdo("key Up"));   // the closed list keeps the focus: the arrows choose
    ASSERT_TRUE(WaitUntil([&] { return Text(kind) == "02 - Night Owl"; }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(time); }));
    EXPECT_EQ(BST_CHECKED, Ask(time, BM_GETCHECK));
    ASSERT_TRUE(ClickCentre(place) && Xdo("key End Return"));   // the last place: free
    ASSERT_TRUE(WaitUntil([&] { return Ask(place, CB_GETCURSEL) == 4; }));

    // The ring setting goes to the driver while the sheet closes, not afterwards.
    ASSERT_TRUE(ShowPage(sheet, 3));
    HWND ring = WaitForControl(sheet, IDC_RING_RESUME);
    EXPECT_EQ(BST_CHECKED, Ask(ring, BM_GETCHECK));
    ASSERT_TRUE(ClickCentre(ring) && WaitUntil([&] { return Ask(ring, BM_GETCHECK) == BST_UNCHECKED; }));
    ASSERT_TRUE(SimClearLog() && Close(sheet, IDOK));
    EXPECT_EQ("ring-set 0", DriverRequests("ring-set"));
    // Five values, each different from the others, so that no two can change places unseen.
    EXPECT_TRUE(StoredDword("IndicatorShowWindow") == 1 && StoredDword("IndicatorNumber") == 2
                && StoredDword("IndicatorMode") == 3 && StoredDword("IndicatorPosition") == 4
                && StoredDword("IndicatorVerticalStyle") == 0) << StoredSettings();
    // The main window has built a new indicator in place of the old one.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(indicator) && IndicatorOf(kestrel.Id()) != NULL; }));
    kestrel.Exit();
}

TEST_F(Sheet, InAcpiModeThereAreThreeTabsAndTheVersionPageReportsTheDriver)
{
    SimState state;
    state.features = SIM_LCD;   // backlight only
    ASSERT_TRUE(SimSetFields(SIM_FIELD_FEATURES, &state));
    const int ids[4] = { IDC_POWER_MODE, IDC_DRIVER_STATUS, IDC_BACKLIGHT_SUPPORT, IDC_CLOCK_SUPPORT };
    const char *present[4] = { "ACPI mode", "The driver's operation is normal.", "The feature supported",
                               "The current machine does not support the feature." };
    const char *absent[4] = { "ACPI mode", "The driver is not installed, or some error occurs.",
                              "Driver availability unknown", "Driver availability unknown" };
    for (bool driverPresent : { true, false }) {
        Restorer putBack = { [&] { return driverPresent || RunProgram("kestrelsim-setup.exe install-acpi", 30000) == 0; } };
        ASSERT_TRUE(driverPresent || RunProgram("kestrelsim-setup.exe remove-acpi", 30000) == 0);
        ASSERT_TRUE(SimClearLog());
        KestrelProcess running;
        HWND sheet = Open(running, "/A", false);   // the driver has no resume on ring
        ASSERT_TRUE(sheet != NULL);
        EXPECT_EQ(3, Ask(Tabs(sheet), TCM_GETITEMCOUNT));
        ASSERT_TRUE(ShowPage(sheet, 0) && WaitForControl(sheet, IDC_POWER_MODE));
        for (int i = 0; i < 4; i++)
            EXPECT_EQ((driverPresent ? present : absent)[i], Text(Control(sheet, ids[i]))) << ids[i];
        ASSERT_TRUE(Close(sheet, IDCANCEL));
        running.Exit();
        // Without the driver Kestrel runs all the same and never reaches it.
        EXPECT_EQ(driverPresent, DriverRequests() != "");
    }
}

} // namespace
