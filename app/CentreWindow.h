// Centring a window over another (the installation notice and the settings sheet, both over the
// desktop). The arithmetic is in CentredRect so that it can be checked without windows.
#ifndef KESTREL_CENTREWINDOW_H
#define KESTREL_CENTREWINDOW_H

#include <windows.h>

// The rectangle of a window sized like window, centred over reference; with desktop given, moved
// back onto it (bottom, right, then top, left, so a window too large sits at the top-left corner).
RECT CentredRect(const RECT &reference, const RECT &window, const RECT *desktop);

// Moves window (size and Z order unchanged) to the centre of reference. Returns 0 when a window
// rectangle cannot be read or the move fails.
BOOL CentreWindow(HWND reference, HWND window, BOOL keepOnDesktop);

#endif
