// Tooltip: one line of text shown by the common controls' tooltip window when the mouse rests on a
// tool window, anywhere in it. Owned by the tool window's object: Create when the text is known,
// relay the window's mouse messages, Destroy (and make a new one when the text changes), delete.
#ifndef KESTREL_TOOLTIP_H
#define KESTREL_TOOLTIP_H

#include <windows.h>

const UINT TooltipTextSize = 100;

class Tooltip {
public:
    Tooltip();

    // Creates the tooltip window and registers the whole of toolWindow as its one tool, showing
    // text (cut to 99 characters). FALSE (ERROR_ALREADY_EXISTS) when a tooltip window exists.
    BOOL Create(HINSTANCE instance, HWND toolWindow, const char *text);
    // Hands the tooltip the tool window's mouse messages (WM_MOUSEMOVE to WM_MBUTTONDBLCLK); every
    // other message, and every message without a tooltip window, is ignored.
    void RelayEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The text, cut to size - 1 characters; returns destination.
    char *GetText(char *destination, UINT size) const;
    void Destroy();

    HWND Window() const { return window; }

private:
    HWND window;
    char text[TooltipTextSize];
};

#endif
