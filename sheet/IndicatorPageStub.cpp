#include "sheet/IndicatorPage.h"
#include "sheet/SettingsSheet.h"
UINT SelectedSkinNumber(HWND) { return 0; }
INT_PTR CALLBACK IndicatorPageProc(HWND page, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) { PrepareSheetWindow(GetParent(page)); return TRUE; }
    return 0;
}
