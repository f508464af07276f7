#include "sheet/VersionPage.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "driver/DriverChannel.h"
#include "res/resource.h"
#include "sheet/LargeTextStatic.h"
#include "sheet/SettingsSheet.h"

const UINT ClassNameSize = 200;
const UINT ReportTextSize = 100;

VersionTexts VersionTextsFor(const DriverReport &r)
{
    VersionTexts texts;
    BOOL working = r.opened && !r.pathEmpty;
    texts.mode = r.acpiMode ? IDS_MODE_ACPI : IDS_MODE_APM;
    texts.driver = working ? IDS_DRIVER_NORMAL : IDS_DRIVER_MISSING;
    if (working) {
        texts.backlight = r.lcdSupported && r.lcdCount ? IDS_FEATURE_SUPPORTED : IDS_FEATURE_ABSENT;
        texts.clock = r.cpuSupported && r.cpuCount ? IDS_FEATURE_SUPPORTED : IDS_FEATURE_ABSENT;
    } else {
        texts.backlight = texts.clock = IDS_FEATURE_UNKNOWN;
    }
    return texts;
}

static BOOL CALLBACK EnlargeTitle(HWND child, LPARAM)
{
    char className[ClassNameSize];
    int id = GetDlgCtrlID(child);
    if (GetClassNameA(child, className, sizeof className) && lstrcmpiA(className, "STATIC") == 0
            && (id == IDC_VERSION_TITLE || id == IDC_VERSION_TITLE2))
        InstallLargeTextStatic(child);
    return TRUE;
}

static void SetReportText(HWND page, int id, UINT stringId)
{
    char text[ReportTextSize] = "";
    LoadStringA(appState.instance, stringId, text, sizeof text);
    SetDlgItemTextA(page, id, text);
}

static INT_PTR OnInitDialog(HWND page)
{
    PrepareSheetWindow(GetParent(page));
    EnumChildWindows(page, EnlargeTitle, 0);
    DriverReport report = { 0, 1, 0, 0, 0, 0, 0 };
    if (appState.driver)
        appState.driver->GetInfo(&report.opened, &report.pathEmpty, &report.acpiMode, &report.lcdSupported,
                                 &report.lcdCount, &report.cpuSupported, &report.cpuCount);
    VersionTexts texts = VersionTextsFor(report);
    SetReportText(page, IDC_POWER_MODE, texts.mode);
    SetReportText(page, IDC_DRIVER_STATUS, texts.driver);
    SetReportText(page, IDC_BACKLIGHT_SUPPORT, texts.backlight);
    SetReportText(page, IDC_CLOCK_SUPPORT, texts.clock);
    return TRUE;
}

// The logo at its own size against the right edge, centred from top to bottom.
static void PaintLogo(HDC canvas, int width, int height, HBRUSH, void *context)
{
    HWND page = (HWND)context;
    HICON logo = (HICON)LoadImageA((HINSTANCE)GetWindowLongPtrA(page, GWLP_HINSTANCE), MAKEINTRESOURCEA(IDI_LOGO),
                                   IMAGE_ICON, 0, 0, 0);
    if (!logo)
        return;
    int iconWidth = 0, iconHeight = 0;
    ICONINFO info;
    if (GetIconInfo(logo, &info)) {
        BITMAP bitmap;
        if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bitmap, &bitmap)) {
            iconWidth = bitmap.bmWidth;
            iconHeight = bitmap.bmHeight;
        }
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
    }
    DrawIconEx(canvas, width - iconWidth, (height - iconHeight) / 2, logo, iconWidth, iconHeight, 0, NULL, DI_NORMAL);
    DestroyIcon(logo);
}

void DrawLogoButton(HWND page, const DRAWITEMSTRUCT *item)
{
    PaintItemOnPage(page, item, PaintLogo, page);
}

INT_PTR CALLBACK VersionPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_DRAWITEM:
        if (wParam != (WPARAM)IDC_LOGO)
            return FALSE;
        DrawLogoButton(page, (const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_NOTIFY:
        if (((NMHDR *)lParam)->code == PSN_HELP) {
            SheetHelp(VersionHelpId);
            return PageResult(page, 0);
        }
        return 0;
    }
    return 0;
}
