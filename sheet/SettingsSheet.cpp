#include "sheet/SettingsSheet.h"

#include "app/AppState.h"
#include "app/CentreWindow.h"
#include "app/MainWindow.h"
#include "driver/DriverChannel.h"
#include "gfx/MemoryDc.h"
#include "res/resource.h"
#include "sheet/IndicatorPage.h"
#include "sheet/OtherPage.h"
#include "sheet/PowerControlPage.h"
#include "sheet/VersionPage.h"

// The records as the sheet's era lays them out: pages with header titles, the header with the
// watermark and header bitmap; 48 and 52 bytes in the 32-bit build.
const UINT SheetPageRecordSize = sizeof(PROPSHEETPAGEA_V2);
const UINT SheetHeaderRecordSize = sizeof(PROPSHEETHEADERA);
#if !defined(_WIN64)
static_assert(sizeof(PROPSHEETPAGEA_V2) == 48 && sizeof(PROPSHEETHEADERA) == 52, "the era's record sizes");
#endif

SheetPageSpec sheetPages[SheetPageCount] = {
    { IDD_VERSION_PAGE, IDI_TAB_VERSION, IDS_PAGE_VERSION, "", VersionPageProc, TRUE },
    { IDD_POWER_PAGE, IDI_TAB_POWER, IDS_PAGE_POWER, "", PowerControlPageProc, TRUE },
    { IDD_INDICATOR_PAGE, IDI_TAB_INDICATOR, IDS_PAGE_INDICATOR, "", IndicatorPageProc, TRUE },
    { IDD_OTHER_PAGE, IDI_TAB_OTHER, IDS_PAGE_OTHER, "", OtherPageProc, TRUE },
};

// Set just before the sheet runs; the first page created clears it and prepares the sheet window.
static BOOL firstPagePending;

UINT SheetPagesShown(const DriverChannel *driver)
{
    DWORD acpi = 0;
    if (driver)
        driver->GetInfo(NULL, NULL, &acpi, NULL, NULL, NULL, NULL);
    return acpi ? SheetPageCount - 1 : SheetPageCount;
}

static HICON LoadSmallIcon(HINSTANCE instance, WORD id)
{
    return (HICON)LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                             GetSystemMetrics(SM_CYSMICON), 0);
}

void LoadSheetIcons(HINSTANCE instance, SheetIcons *icons)
{
    for (UINT i = 0; i < SheetPageCount; i++)
        icons->tab[i] = LoadSmallIcon(instance, sheetPages[i].iconId);
    icons->caption = LoadSmallIcon(instance, IDI_APPLICATION_ICON);
}

void ReleaseSheetIcons(SheetIcons *icons)
{
    for (UINT i = 0; i < SheetPageCount; i++) {
        if (icons->tab[i])
            DestroyIcon(icons->tab[i]);
        icons->tab[i] = NULL;
    }
    if (icons->caption)
        DestroyIcon(icons->caption);
    icons->caption = NULL;
}

void FillSheetPages(HINSTANCE instance, const SheetIcons &icons, PROPSHEETPAGEA_V2 pages[SheetPageCount])
{
    for (UINT i = 0; i < SheetPageCount; i++) {
        SheetPageSpec &row = sheetPages[i];
        PROPSHEETPAGEA_V2 &page = pages[i];
        ZeroMemory(&page, sizeof page);
        page.dwSize = SheetPageRecordSize;
        page.dwFlags = SheetPageFlags | (row.hasHelp ? PSP_HASHELP : 0);
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEA(row.templateId);
        page.hIcon = icons.tab[i];
        page.pszTitle = row.title;
        page.pfnDlgProc = row.proc;
        page.lParam = 0;
        row.title[0] = '\0';
        LoadStringA(instance, row.titleId, row.title, SheetTitleSize);
    }
}

void FillSheetHeader(HINSTANCE instance, HWND owner, UINT startPage, const PROPSHEETPAGEA_V2 *pages,
                     UINT pageCount, HICON icon, char caption[SheetCaptionSize], PROPSHEETHEADERA *header)
{
    caption[0] = '\0';
    LoadStringA(instance, IDS_SHEET_CAPTION, caption, SheetCaptionSize);
    ZeroMemory(header, sizeof *header);
    header->dwSize = SheetHeaderRecordSize;
    header->dwFlags = SheetHeaderFlags;
    header->hwndParent = owner;
    header->hInstance = instance;
    header->hIcon = icon;
    header->pszCaption = caption;
    header->nPages = pageCount;
    header->nStartPage = startPage;
    header->ppsp = (LPCPROPSHEETPAGEA)pages;   // walked by each record's own size
}

INT_PTR OpenSettingsSheet(HINSTANCE instance, HWND owner, UINT startPage)
{
    SheetIcons icons;
    LoadSheetIcons(instance, &icons);
    PROPSHEETPAGEA_V2 pages[SheetPageCount];
    FillSheetPages(instance, icons, pages);
    char caption[SheetCaptionSize];
    PROPSHEETHEADERA header;
    FillSheetHeader(instance, owner, startPage, pages, SheetPagesShown(appState.driver), icons.caption, caption,
                    &header);

    firstPagePending = TRUE;
    INT_PTR result = PropertySheetA(&header);
    firstPagePending = FALSE;
    appState.sheetWindow = NULL;
    ReleaseSheetIcons(&icons);   // the sheet window, which showed them, is gone
    return result;
}

void PrepareSheetWindow(HWND sheet)
{
    if (!firstPagePending)
        return;
    appState.sheetWindow = sheet;
    firstPagePending = FALSE;
    LONG_PTR exStyle = GetWindowLongPtrA(sheet, GWL_EXSTYLE);
    SetWindowLongPtrA(sheet, GWL_EXSTYLE, exStyle & ~(LONG_PTR)WS_EX_CONTEXTHELP);
    CentreWindow(GetDesktopWindow(), sheet, TRUE);
}

void SheetChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0);
}

void SheetHelp(DWORD contextId)
{
    // A missing help file is the help system's to report.
    WinHelpA(appState.sheetWindow, appState.helpPath, HELP_CONTEXT, contextId);
}

void PostSettingsChanged(WPARAM what)
{
    PostMessageA(appState.mainWindow, SettingsChangedMessage, what, 0);
}

INT_PTR PageResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

void PaintItemOnPage(HWND page, const DRAWITEMSTRUCT *item, ItemPainter paint, void *context)
{
    const RECT &r = item->rcItem;
    int width = r.right - r.left, height = r.bottom - r.top;
    MemoryDc canvas(item->hDC, width, height);
    if (!canvas.Dc())
        return;
    RECT area = { 0, 0, width, height };
    HBRUSH background = (HBRUSH)SendMessageA(page, WM_CTLCOLORDLG, (WPARAM)item->hDC, (LPARAM)item->hwndItem);
    if (!background)
        background = GetSysColorBrush(COLOR_3DFACE);
    FillRect(canvas.Dc(), &area, background);
    paint(canvas.Dc(), width, height, background, context);
    BitBlt(item->hDC, r.left, r.top, width, height, canvas.Dc(), 0, 0, SRCCOPY);
}
