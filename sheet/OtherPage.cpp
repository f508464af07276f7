#include "sheet/OtherPage.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "driver/DriverChannel.h"
#include "res/resource.h"
#include "sheet/SettingsSheet.h"

static INT_PTR OnInitDialog(HWND page)
{
    PrepareSheetWindow(GetParent(page));
    DWORD ring = 0;
    if (appState.driver && appState.driver->AccessRingResume(FALSE, &ring)) {
        CheckDlgButton(page, IDC_RING_RESUME, ring ? BST_CHECKED : BST_UNCHECKED);
    } else {
        EnableWindow(GetDlgItem(page, IDC_RING_RESUME), FALSE);
        EnableWindow(GetDlgItem(page, IDC_RING_CAUTION), FALSE);
        EnableWindow(GetDlgItem(page, IDC_RING_CAUTION_TEXT), FALSE);
    }
    return TRUE;
}

static void OnApply(HWND page)
{
    // A disabled box means the driver could not be read: there is nothing to write back.
    if (!IsWindowEnabled(GetDlgItem(page, IDC_RING_RESUME)) || !appState.driver)
        return;
    DWORD ring = IsDlgButtonChecked(page, IDC_RING_RESUME) != BST_UNCHECKED ? 1 : 0;
    appState.driver->AccessRingResume(TRUE, &ring);
}

INT_PTR CALLBACK OtherPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_RING_RESUME)
            SheetChanged(page);
        return 0;
    case WM_NOTIFY:
        switch (((NMHDR *)lParam)->code) {
        case PSN_APPLY:
            OnApply(page);
            return PageResult(page, PSNRET_NOERROR);
        case PSN_HELP:
            SheetHelp(OtherHelpId);
            return PageResult(page, 0);
        }
        return 0;
    }
    return 0;
}
