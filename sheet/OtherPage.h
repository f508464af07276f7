// The "Other" page: whether a ringing modem line resumes the computer. The setting lives in the
// driver; the check box is its only copy between opening and applying. Not shown in ACPI mode.
#ifndef KESTREL_OTHERPAGE_H
#define KESTREL_OTHERPAGE_H

#include <windows.h>

const DWORD OtherHelpId = 10004;

INT_PTR CALLBACK OtherPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
