// LargeTextStatic: a static text control that paints its text at twice its font's size, off screen
// and without flicker. Installed on an existing control, whose own procedure it keeps in the
// control's user data and calls for everything else; it lives and dies with the control.
#ifndef KESTREL_LARGETEXTSTATIC_H
#define KESTREL_LARGETEXTSTATIC_H

#include <windows.h>

const UINT LargeTextSize = 300;   // the most characters painted

// The text layout flags for a static control's style.
UINT LargeTextFlags(DWORD style);
// The font description at twice the size: height and width doubled, signs kept, a width of 0 kept.
void DoubleFontSize(LOGFONTA *font);

// Replaces control's window procedure. Returns 0 when it cannot be replaced.
BOOL InstallLargeTextStatic(HWND control);

#endif
