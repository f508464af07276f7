// The "Indicator" page: whether, where and how the floating battery indicator shows, with a live
// sample of the chosen skin. One page exists at a time; its state lives here from WM_INITDIALOG
// until the page window is destroyed, which also releases the sample skin.
#ifndef KESTREL_INDICATORPAGE_H
#define KESTREL_INDICATORPAGE_H

#include <windows.h>

const int IdcShowIndicator = 1200;
const int IdcPositionList = 1201;
const int IdcKindList = 1202;
const int IdcSample = 1203;
const int IdcShowPowerStatus = 1205;
const int IdcShowRemainingTime = 1206;
const int IdcPositionLabel = 1207;
const int IdcKindLabel = 1208;
const int IdcSampleLabel = 1209;
const int IdcIndicatorGroup = 1210;
const int IdcVertical = 1300;
const int IdcSampleCaption = 1301;

const DWORD IndicatorHelpId = 10003;
const UINT_PTR SampleTimer = 1;

// The skin number of the kind list's selected item; 0 with no selection or no number.
UINT SelectedSkinNumber(HWND page);

INT_PTR CALLBACK IndicatorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
