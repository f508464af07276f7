// The hidden main window: the program's switchboard. Start-up creates it, never shows it; its
// procedure builds the tray icon and its pictures, runs the status and brightness timers, reacts
// to power broadcasts, icon clicks, its commands and the settings pages' notices, and tears
// everything down in WM_DESTROY. Its objects live in AppState.
#ifndef KESTREL_MAINWINDOW_H
#define KESTREL_MAINWINDOW_H

#include <windows.h>

// Private messages; the values are fixed because the settings pages post them.
const UINT TrayCallbackMessage = 0x8064;
const UINT SettingsChangedMessage = 0x8065;
const WPARAM PowerControlChanged = 0;
const WPARAM IndicatorChanged = 1;
const WPARAM RingResumeChanged = 2;

// Timers of the main window.
const UINT_PTR StatusTimer = 1;
const UINT_PTR BrightnessTimer = 2;
const UINT StatusPeriod = 500;
const DWORD RefreshEveryTicks = 20;   // ten seconds of StatusTimer

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
