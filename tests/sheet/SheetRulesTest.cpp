// The settings pages' rules over plain values (level clamping, the indicator choices and skin fixes,
// kind list items, the sample's sequence, the version report) and the sheet's records. The running
// sheet is driven in the scenarios; what openings leave behind, the soak.
#include <gtest/gtest.h>

#include "TestPaths.h"
#include "app/AppState.h"
#include "app/SettingsStore.h"
#include "gfx/MemoryDc.h"
#include "indicator/TestSkin.h"
#include "res/resource.h"
#include "sheet/IndicatorChoices.h"
#include "sheet/IndicatorPage.h"
#include "sheet/PowerControlPage.h"
#include "sheet/SettingsSheet.h"
#include "sheet/VersionPage.h"

namespace {

TEST(PowerLevels, StoredValuesBeyondTheDriverShowAtTheHighestLevel)
{
    // Fewer levels than when it was stored; the "highest" default, compared unsigned; one position.
    const struct { DWORD stored, count, shown; } cases[] = {
        { 7, 4, 3 }, { 4, 4, 3 }, { 3, 4, 3 }, { 0, 4, 0 }, { 0xFFFFFFFF, 8, 7 }, { 0x80000000, 8, 7 }, { 5, 1, 0 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.shown, ClampLevel(c.stored, c.count)) << c.stored << " of " << c.count;
}

TEST(IndicatorChoices, ModesChecksFixesAndSkinNumbers)
{
    const struct { DWORD mode; BOOL mark, time; } modes[] = {
        { 0, FALSE, FALSE }, { 1, TRUE, FALSE }, { 2, FALSE, TRUE }, { 3, TRUE, TRUE },
        { 4, TRUE, TRUE }, { 0xFFFFFFFF, TRUE, TRUE },   // damaged: both
    };
    for (const auto &c : modes) {
        BOOL mark = -1, time = -1;
        PreferredFromMode(c.mode, &mark, &time);
        EXPECT_TRUE(mark == c.mark && time == c.time) << c.mode;
        EXPECT_EQ(c.mode > 3 ? 3 : c.mode, ModeFromChecks(mark, time)) << c.mode;
    }
    // A forcing skin changes the box, not the user's choice: free 0, forced off 1, forced on 2.
    const struct { BOOL preferred; UINT fix; BOOL shown, fixed; } fixes[] = {
        { TRUE, 0, TRUE, FALSE }, { FALSE, 0, FALSE, FALSE }, { TRUE, 1, FALSE, TRUE }, { FALSE, 2, TRUE, TRUE },
    };
    for (const auto &f : fixes) {
        BOOL fixed = -1;
        EXPECT_EQ(f.shown, ResolveChoice(f.preferred, f.fix, &fixed)) << f.fix;
        EXPECT_EQ(f.fixed, fixed) << f.fix;
    }
    const struct { const char *text; UINT number; } items[] = {
        { "07 - x", 7 }, { "00 - Plain", 0 }, { "99 - Last", 99 }, { "01", 1 }, { "x", 0 }, { "", 0 },
        { " 7 - x", 0 }, { "-1 - x", 0 }, { "123 - y", 12 },   // never more than two digits
    };
    for (const auto &i : items)
        EXPECT_EQ(i.number, SkinNumberFromText(i.text)) << '"' << i.text << '"';
}

TEST(IndicatorChoices, TheSampleRunsOnBatteryChargesRestsOnAcAndRunsDownAgain)
{
    const DWORD battery[] = { 269, 265, 261, 257 }, again[] = { 320, 315, 309, 303, 297, 294, 285, 280, 274 };
    ASSERT_EQ(29u, SampleRowCount);
    for (UINT row = 0; row < SampleRowCount; row++) {
        SampleRow expected = row <= 3 ? SampleRow{ 90 - row, OnBattery, battery[row] }
                           : row <= 15 ? SampleRow{ 84 + row, OnAcCharging, 0 }
                           : row <= 19 ? SampleRow{ 100, OnAc, 0 } : SampleRow{ 119 - row, OnBattery, again[row - 20] };
        const SampleRow &r = SampleDemoTable[row];
        EXPECT_TRUE(r.percent == expected.percent && r.state == expected.state && r.minutes == expected.minutes)
            << "row " << row << ": " << r.percent << "%, state " << r.state << ", " << r.minutes << " min";
    }
    const struct { int state; UINT caption; } captions[] = {
        { OnAc, IDS_SAMPLE_AC }, { OnAcCharging, IDS_SAMPLE_CHARGING }, { OnBattery, IDS_SAMPLE_BATTERY },
        { 7, IDS_SAMPLE_BATTERY },
    };
    for (const auto &c : captions)
        EXPECT_EQ(c.caption, SampleCaptionId((PowerState)c.state)) << c.state;
}

// How many pixels of the page's sample show the test skin's body, drawn as the button asks.
int SampleBodyPixels(HWND page)
{
    const int width = 160, height = 40;
    MemoryDc canvas(NULL, width, height);
    HDC dc = canvas.Dc();
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = IDC_SAMPLE;
    item.hwndItem = GetDlgItem(page, IDC_SAMPLE);
    item.hDC = dc;
    item.rcItem = { 0, 0, width, height };
    SendMessageA(page, WM_DRAWITEM, IDC_SAMPLE, (LPARAM)&item);
    int body = 0;
    for (int i = 0; i < width * height; i++)
        body += GetPixel(dc, i % width, i / width) == testskin::BodyColour;
    return body;
}

// A stored skin that is no longer installed leaves the kind list without a selection: the page
// then shows no sample and no skin's fixes, skin 0's least of all; choosing a skin shows both.
TEST(IndicatorPage, WithoutASelectionThereIsNoSampleAndNoSkinForcesAChoice)
{
    const std::string folder = testskin::FreshFolder("kestrel-page");
    ASSERT_TRUE(testskin::WriteSkin(folder, 0));
    testskin::UseFolder(folder);
    WritePrivateProfileStringA("Indicator.General", "FixShowPowerStatusMark", "0", (folder + "Indicator00.dat").c_str());
    appState.instance = GetModuleHandleA(NULL);
    DWORD stored[2] = { 9, ModePowerStatus };
    AccessSetting(TRUE, SettingIndicatorNumber, &stored[0]);
    AccessSetting(TRUE, SettingIndicatorMode, &stored[1]);
    HWND sheet = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, NULL, NULL, NULL, NULL);
    HWND page = CreateDialogParamA(appState.instance, MAKEINTRESOURCEA(IDD_INDICATOR_PAGE), sheet, IndicatorPageProc, 0);
    ASSERT_TRUE(page != NULL);
    HWND kind = GetDlgItem(page, IDC_KIND_LIST), mark = GetDlgItem(page, IDC_SHOW_POWER_STATUS);
    EXPECT_TRUE(SendMessageA(kind, CB_GETCOUNT, 0, 0) == 1 && SendMessageA(kind, CB_GETCURSEL, 0, 0) == CB_ERR);
    EXPECT_TRUE(IsDlgButtonChecked(page, IDC_SHOW_POWER_STATUS) && IsWindowEnabled(mark));
    EXPECT_EQ(0, SampleBodyPixels(page));
    SendMessageA(kind, CB_SETCURSEL, 0, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_KIND_LIST, CBN_SELCHANGE), (LPARAM)kind);
    EXPECT_TRUE(!IsDlgButtonChecked(page, IDC_SHOW_POWER_STATUS) && !IsWindowEnabled(mark));
    EXPECT_LT(0, SampleBodyPixels(page));
    DestroyWindow(page);
    DestroyWindow(sheet);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ardwick\\Kestrel\\Settings");
    appState.sheetWindow = NULL;
}

TEST(VersionReport, TextsFollowTheDriversState)
{
    const struct { DriverReport report; VersionTexts texts; } cases[] = {
        // ACPI, working, backlight with 8 levels, no clock control
        { { 1, 0, 1, 1, 8, 0, 0 }, { IDS_MODE_ACPI, IDS_DRIVER_NORMAL, IDS_FEATURE_SUPPORTED, IDS_FEATURE_ABSENT } },
        // supported with 0 levels counts as absent
        { { 1, 0, 0, 1, 0, 1, 4 }, { IDS_MODE_APM, IDS_DRIVER_NORMAL, IDS_FEATURE_ABSENT, IDS_FEATURE_SUPPORTED } },
        // ACPI without its interface: no path
        { { 0, 1, 1, 0, 0, 0, 0 }, { IDS_MODE_ACPI, IDS_DRIVER_MISSING, IDS_FEATURE_UNKNOWN, IDS_FEATURE_UNKNOWN } },
        // a path but the open failed; what the probes left behind is not believed
        { { 0, 0, 0, 1, 8, 1, 4 }, { IDS_MODE_APM, IDS_DRIVER_MISSING, IDS_FEATURE_UNKNOWN, IDS_FEATURE_UNKNOWN } },
    };
    for (const auto &c : cases) {
        VersionTexts t = VersionTextsFor(c.report);
        EXPECT_TRUE(t.mode == c.texts.mode && t.driver == c.texts.driver && t.backlight == c.texts.backlight
                    && t.clock == c.texts.clock) << t.mode << " " << t.driver << " " << t.backlight << " " << t.clock;
    }
}

TEST(SettingsSheet, PagesCarryTheirTitlesIconsAndHelp)
{
    // The order of the pages, the start page and the caption the sheet scenarios see.
    HINSTANCE instance = GetModuleHandleA(NULL);
    SheetIcons icons;
    LoadSheetIcons(instance, &icons);
    PROPSHEETPAGEA_V2 pages[SheetPageCount];
    FillSheetPages(instance, icons, pages);
    const char *titles[SheetPageCount] = { "Version Information", "Power Control", "Indicator", "Other" };
    for (UINT i = 0; i < SheetPageCount; i++) {
        EXPECT_EQ((DWORD)(PSP_USETITLE | PSP_USEHICON | PSP_HASHELP), pages[i].dwFlags) << i;
        EXPECT_TRUE(pages[i].hIcon != NULL && pages[i].hIcon == icons.tab[i] && !strcmp(titles[i], pages[i].pszTitle)) << i;
    }
    char caption[SheetCaptionSize];
    PROPSHEETHEADERA header;
    FillSheetHeader(instance, NULL, SheetStartPage, pages, SheetPagesShown(NULL), icons.caption, caption, &header);
    EXPECT_TRUE(header.dwFlags == (PSH_PROPSHEETPAGE | PSH_USEHICON | PSH_HASHELP) && header.hIcon == icons.caption
                && header.hIcon != NULL);
    EXPECT_STREQ("Kestrel Properties", header.pszCaption);
    EXPECT_TRUE(header.nStartPage == 1 && header.nStartPage < header.nPages
                && !strcmp("Power Control", pages[header.nStartPage].pszTitle)) << header.nStartPage;
    ReleaseSheetIcons(&icons);
}

} // namespace
