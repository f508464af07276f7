// The "Indicator" page: whether, where and how the floating battery indicator shows, with a live
// sample of the chosen skin. One page exists at a time; its state lives here from WM_INITDIALOG
// until the page window is destroyed, which also releases the sample skin.
#ifndef KESTREL_INDICATORPAGE_H
#define KESTREL_INDICATORPAGE_H

#include <windows.h>

const DWORD IndicatorHelpId = 10003;
const UINT_PTR SampleTimer = 1;

// The skin number of the kind list's selected item; 0 with no selection or no number.
UINT SelectedSkinNumber(HWND page);

INT_PTR CALLBACK IndicatorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
