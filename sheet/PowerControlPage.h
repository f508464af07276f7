// The "Power Control" page: backlight and CPU clock levels for AC power and for the battery, one
// slider each. Created by the sheet when shown; keeps no state beyond its controls.
#ifndef KESTREL_POWERCONTROLPAGE_H
#define KESTREL_POWERCONTROLPAGE_H

#include <windows.h>

// Control ids of the page.
const int IdcBacklightLabel = 1100;   // first of the backlight group, 1100 to 1106
const int IdcBacklightAc = 1102;
const int IdcBacklightDc = 1105;
const int IdcClockLabel = 1107;       // first of the clock group, 1107 to 1113
const int IdcClockAc = 1109;
const int IdcClockDc = 1112;
const int PowerGroupSize = 7;

const DWORD PowerControlHelpId = 10002;

// A stored level shown on a slider of count positions: anything not below count (the "highest"
// default of all ones included) becomes the last position. count must not be 0.
DWORD ClampLevel(DWORD value, DWORD count);

INT_PTR CALLBACK PowerControlPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
