// The window that the shaped, never-activated popups (the splash, the indicator, the brightness
// gauge) share: a topmost popup of the system "STATIC" class whose procedure is replaced by the
// popup object's own, which finds the object in the window's user data. Each popup keeps its
// window handle and the replaced procedure, shows its window without activating it and destroys it.
#ifndef KESTREL_SHAPEDPOPUP_H
#define KESTREL_SHAPEDPOPUP_H

#include <windows.h>

// Creates the window (exStyle and style added to WS_EX_TOPMOST and WS_POPUP, hidden), gives it
// shape (none: NULL), attaches object and replaces the procedure by proc, whose predecessor goes to
// *previous. NULL on failure, with no window, shape deleted and the first failure's code kept;
// from success on the window owns the shape.
HWND CreateShapedPopup(HINSTANCE instance, HWND owner, DWORD exStyle, DWORD style, int x, int y, int width,
                       int height, HRGN shape, void *object, WNDPROC proc, WNDPROC *previous);

// The popup object attached to hwnd, NULL when none is.
void *ShapedPopupObject(HWND hwnd);

// What every popup procedure answers for what it does not handle itself, with previous as the popup
// kept it, or NULL when no object is attached.
LRESULT ShapedPopupDefault(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
