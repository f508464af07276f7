// The settings sheet "Kestrel Properties": a modal property sheet of up to four pages, run by the main
// window's IDM_PROPERTIES. OpenSettingsSheet returns when the sheet closes; while it runs the sheet
// window is kept in AppState so that the main window can bring it forward. Also the conventions the
// pages share: change signalling, help, and the notice posted to the main window after an apply.
#ifndef KESTREL_SETTINGSSHEET_H
#define KESTREL_SETTINGSSHEET_H

#include <windows.h>
#include <commctrl.h>

class DriverChannel;

const UINT SheetPageCount = 4;
const UINT SheetTitleSize = 50;
const UINT SheetCaptionSize = 100;
const UINT SheetStartPage = 1;   // "Power Control"

// Page flags: title and icon from the page row, plus help when the row has it.
// Header flags: an array of page records, a caption icon, a Help button.
// The icons are handed over as handles the sheet loads and releases itself: icons given by resource
// id are loaded by the property sheet and never released, two bitmaps each per opening.
const DWORD SheetPageFlags = PSP_USETITLE | PSP_USEHICON;
const DWORD SheetHeaderFlags = PSH_PROPSHEETPAGE | PSH_USEHICON | PSH_HASHELP;

// One row of the page table.
struct SheetPageSpec {
    WORD templateId;
    WORD iconId;
    UINT titleId;
    char title[SheetTitleSize];   // filled from the string table each time the sheet opens
    DLGPROC proc;
    BOOL hasHelp;
};

// Version Information, Power Control, Indicator, Other: tab order and page indices.
extern SheetPageSpec sheetPages[SheetPageCount];

// 3 when the driver runs in ACPI mode (the resume-on-ring page has nothing to set there), else 4.
UINT SheetPagesShown(const DriverChannel *driver);

// The small tab icons (101 to 104) and the caption icon (100) of one opening.
struct SheetIcons {
    HICON tab[SheetPageCount];
    HICON caption;
};
void LoadSheetIcons(HINSTANCE instance, SheetIcons *icons);   // a missing icon stays null
void ReleaseSheetIcons(SheetIcons *icons);

// Fills the page records and the header from the page table; titles and caption are loaded here.
void FillSheetPages(HINSTANCE instance, const SheetIcons &icons, PROPSHEETPAGEA_V2 pages[SheetPageCount]);
void FillSheetHeader(HINSTANCE instance, HWND owner, UINT startPage, const PROPSHEETPAGEA_V2 *pages,
                     UINT pageCount, HICON icon, char caption[SheetCaptionSize], PROPSHEETHEADERA *header);

// Runs the sheet modally; returns PropertySheetA's result.
INT_PTR OpenSettingsSheet(HINSTANCE instance, HWND owner, UINT startPage);

// Called first by every page's WM_INITDIALOG with the sheet window; only the first call of a run
// acts: it remembers the sheet window, removes the caption's "?" button and centres the sheet.
void PrepareSheetWindow(HWND sheet);

// The page conventions.
void SheetChanged(HWND page);                     // enables Apply
void SheetHelp(DWORD contextId);                   // the help topic of the page shown
void PostSettingsChanged(WPARAM what);             // tells the main window after an apply
// Sets a page's WM_NOTIFY result; the dialog procedure then returns TRUE.
INT_PTR PageResult(HWND page, LONG_PTR result);

// Paints an owner-drawn item of a page without flicker: a canvas of the item's size is filled with
// the page's background brush, paint draws the item's contents on it in the item's own coordinates,
// and the canvas is copied to the item once.
typedef void (*ItemPainter)(HDC canvas, int width, int height, HBRUSH background, void *context);
void PaintItemOnPage(HWND page, const DRAWITEMSTRUCT *item, ItemPainter paint, void *context);

#endif
