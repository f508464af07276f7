// BrightnessOsd: the shaped, topmost, never-activated popup that shows the brightness gauge near the
// bottom of the screen. Owned by the main window: Create once, Show at every change, hidden by the
// owner with ShowWindow(Window(), SW_HIDE), Destroy, delete. It keeps no time of its own.
#ifndef KESTREL_BRIGHTNESSOSD_H
#define KESTREL_BRIGHTNESSOSD_H

#include <windows.h>

#include "osd/LevelGauge.h"

// The look the main window gives its gauge for levelCount levels: rows of an eighth of the screen's
// height, bold Arial, green with a solid black shadow 3 pixels deep and a 1-pixel outline. The
// three texts are left null; Create loads them.
GaugeStyle DisplayGaugeStyle(UINT levelCount);

class BrightnessOsd {
public:
    BrightnessOsd();

    // style's three texts are not used: the display loads them from the string table. Refuses
    // a second window (ERROR_ALREADY_EXISTS), fewer than 2 levels or a divisor below 3
    // (ERROR_INVALID_PARAMETER), and a gauge that does not fit the screen.
    BOOL Create(HINSTANCE instance, HWND owner, const GaugeStyle &style);
    // Shapes the window for level and shows it where it is, without taking the focus.
    BOOL Show(UINT level);
    void Destroy();
    HWND Window() const { return window; }

private:
    static LRESULT CALLBACK BrightnessOsdProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnScreenChanged();
    void DestroyGauge();

    HINSTANCE instance;
    HWND window;
    WNDPROC previous;
    LevelGauge *gauge;
};

#endif
