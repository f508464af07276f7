#include "app/NoticeDialog.h"

#include "app/CentreWindow.h"

// The dialog's results: OK and Cancel; anything else means it did not run.
const INT_PTR NoticeClosedByOk = 0;
const INT_PTR NoticeClosedByCancel = 1;

INT_PTR CALLBACK ErrorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(GetDesktopWindow(), dialog, TRUE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, NoticeClosedByOk);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, NoticeClosedByCancel);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

BOOL ShowErrorDialog(HINSTANCE instance, UINT templateId, HWND owner, BOOL *okPressed)
{
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, ErrorDialogProc, 0);
    if (result != NoticeClosedByOk && result != NoticeClosedByCancel)
        return FALSE;
    if (okPressed)
        *okPressed = result == NoticeClosedByOk;
    return TRUE;
}
