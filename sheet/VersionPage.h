// The "Version Information" page: the program's name in large type, the maker's logo and a short
// report of what the driver offers. Changes and stores nothing.
#ifndef KESTREL_VERSIONPAGE_H
#define KESTREL_VERSIONPAGE_H

#include <windows.h>

const DWORD VersionHelpId = 10001;

// What the driver channel reports, as the page reads it (no channel: not open, no path, APM).
struct DriverReport {
    DWORD opened, pathEmpty, acpiMode, lcdSupported, lcdCount, cpuSupported, cpuCount;
};

// The string ids of the four report lines.
struct VersionTexts {
    UINT mode, driver, backlight, clock;
};

VersionTexts VersionTextsFor(const DriverReport &report);

// Paints the disabled owner-drawn logo button: icon 105 against its right edge.
void DrawLogoButton(HWND page, const DRAWITEMSTRUCT *item);

INT_PTR CALLBACK VersionPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
