// The "Power Control" page: backlight and CPU clock levels for AC power and for the battery, one
// slider each. Created by the sheet when shown; keeps no state beyond its controls.
#ifndef KESTREL_POWERCONTROLPAGE_H
#define KESTREL_POWERCONTROLPAGE_H

#include <windows.h>

// Controls in each group, from the label on (res/resource.h numbers them consecutively).
const int PowerGroupSize = 7;

const DWORD PowerControlHelpId = 10002;

// A stored level shown on a slider of count positions: anything not below count (the "highest"
// default of all ones included) becomes the last position. count must not be 0.
DWORD ClampLevel(DWORD value, DWORD count);

INT_PTR CALLBACK PowerControlPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
