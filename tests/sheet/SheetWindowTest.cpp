// The real settings sheet, run inside the test process: its page table and header, the sheet state
// around a run, and that opening it again and again, with every page visited and the sample
// animating, loses no GDI object or icon.
#include <gtest/gtest.h>

#include "TestPaths.h"
#include "app/AppState.h"
#include "app/Text.h"
#include "common/GdiCount.h"
#include "res/resource.h"
#include "sheet/IndicatorPage.h"
#include "sheet/SettingsSheet.h"

namespace {

const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";

class SheetInProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZeroMemory(&appState, sizeof appState);
        appState.instance = GetModuleHandleA(NULL);
        CopyText(appState.installFolder, sizeof appState.installFolder, KESTREL_IMAGE_DIR);
        CopyText(appState.resourceFolder, sizeof appState.resourceFolder, KESTREL_IMAGE_DIR "\\Resource\\");
        InitCommonControls();
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }
    void TearDown() override
    {
        ZeroMemory(&appState, sizeof appState);
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            ;   // the pages' notices to the (absent) main window
    }
};

TEST_F(SheetInProcess, PagesAndHeaderCarryTheirTitlesAndIcons)
{
    SheetIcons icons;
    LoadSheetIcons(appState.instance, &icons);
    PROPSHEETPAGEA_V2 pages[SheetPageCount];
    FillSheetPages(appState.instance, icons, pages);
    const char *titles[SheetPageCount] = { "Version Information", "Power Control", "Indicator", "Other" };
    for (UINT i = 0; i < SheetPageCount; i++) {
        EXPECT_EQ((DWORD)(PSP_USETITLE | PSP_USEHICON), pages[i].dwFlags & (PSP_USETITLE | PSP_USEHICON)) << i;
        EXPECT_TRUE(pages[i].hIcon != NULL && pages[i].hIcon == icons.tab[i]) << i;
        EXPECT_STREQ(titles[i], pages[i].pszTitle) << i;
    }
    char caption[SheetCaptionSize];
    PROPSHEETHEADERA header;
    FillSheetHeader(appState.instance, NULL, SheetStartPage, pages, SheetPagesShown(NULL), icons.caption, caption,
                    &header);
    EXPECT_TRUE(header.dwFlags & PSH_USEHICON);
    EXPECT_TRUE(header.hIcon != NULL && header.hIcon == icons.caption);
    EXPECT_EQ(4u, header.nPages);   // no driver channel: every page
    EXPECT_EQ(1u, header.nStartPage);
    ReleaseSheetIcons(&icons);
}

// Drives the modal sheet from a thread timer: visits every page, lets the sample animate and
// paint, then closes with OK or Cancel.
struct SheetDriver {
    int step;
    BOOL pressOk;
    BOOL sawPowerControlFirst;
    BOOL closed;
};
SheetDriver driver;

void CALLBACK DriveSheet(HWND, UINT, UINT_PTR, DWORD)
{
    HWND sheet = appState.sheetWindow;
    if (!sheet || driver.closed)
        return;
    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    switch (driver.step++) {
    case 0:
        driver.sawPowerControlFirst = SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == 1;
        SendMessageA(sheet, PSM_SETCURSEL, 2, 0);
        break;
    case 1: case 2: case 3: {
        HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
        SendMessageA(page, WM_TIMER, SampleTimer, 0);
        RedrawWindow(sheet, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        break;
    }
    case 4:
        SendMessageA(sheet, PSM_SETCURSEL, 3, 0);
        break;
    case 5:
        SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
        RedrawWindow(sheet, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        break;
    default:
        driver.closed = TRUE;
        PostMessageA(sheet, PSM_PRESSBUTTON, driver.pressOk ? PSBTN_OK : PSBTN_CANCEL, 0);
        break;
    }
}

void RunSheetOnce(BOOL pressOk)
{
    ZeroMemory(&driver, sizeof driver);
    driver.pressOk = pressOk;
    UINT_PTR timer = SetTimer(NULL, 0, 20, DriveSheet);
    OpenSettingsSheet(appState.instance, NULL, SheetStartPage);
    KillTimer(NULL, timer);
}

TEST_F(SheetInProcess, FiftyOpeningsWithEveryPageVisitedLoseNothing)
{
    RunSheetOnce(TRUE);   // warm-up: comctl32's own first-use objects
    EXPECT_TRUE(driver.closed);
    EXPECT_TRUE(driver.sawPowerControlFirst);
    EXPECT_TRUE(appState.sheetWindow == NULL);
    UINT gdiBefore = CountGdiObjects(), iconsBefore = CountIcons();
    for (int i = 0; i < 50; i++) {
        RunSheetOnce(i % 2 == 0);
        ASSERT_TRUE(driver.closed) << "opening " << i;
        EXPECT_TRUE(driver.sawPowerControlFirst) << "opening " << i;
        EXPECT_TRUE(appState.sheetWindow == NULL) << "opening " << i;
    }
    EXPECT_EQ(gdiBefore, CountGdiObjects());
    EXPECT_EQ(iconsBefore, CountIcons());
}

} // namespace
