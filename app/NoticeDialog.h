// The small modal notice shown when the installation is broken (dialog 115), centred on the desktop.
#ifndef KESTREL_NOTICEDIALOG_H
#define KESTREL_NOTICEDIALOG_H

#include <windows.h>

// Runs dialog templateId modally. Returns 1 when it ran and was closed by OK or Cancel (okPressed,
// when given, then says which), 0 when it could not run.
BOOL ShowErrorDialog(HINSTANCE instance, UINT templateId, HWND owner, BOOL *okPressed);

INT_PTR CALLBACK ErrorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
