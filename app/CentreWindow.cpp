#include "app/CentreWindow.h"

RECT CentredRect(const RECT &reference, const RECT &window, const RECT *desktop)
{
    LONG w = window.right - window.left;
    LONG h = window.bottom - window.top;
    RECT r;
    r.left = reference.left + ((reference.right - reference.left) - w) / 2;
    r.top = reference.top + ((reference.bottom - reference.top) - h) / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
    if (desktop) {
        if (r.bottom > desktop->bottom) {
            r.bottom = desktop->bottom;
            r.top = desktop->bottom - h;
        }
        if (r.right > desktop->right) {
            r.right = desktop->right;
            r.left = desktop->right - w;
        }
        if (r.top < desktop->top)
            r.top = desktop->top;
        if (r.left < desktop->left)
            r.left = desktop->left;
        // Only the corner moves the window; keep the rectangle whole for the caller.
        r.right = r.left + w;
        r.bottom = r.top + h;
    }
    return r;
}

BOOL CentreWindow(HWND reference, HWND window, BOOL keepOnDesktop)
{
    RECT referenceRect, windowRect, desktopRect;
    if (!GetWindowRect(reference, &referenceRect) || !GetWindowRect(window, &windowRect))
        return FALSE;
    if (keepOnDesktop && !GetWindowRect(GetDesktopWindow(), &desktopRect))
        return FALSE;
    RECT r = CentredRect(referenceRect, windowRect, keepOnDesktop ? &desktopRect : NULL);
    return SetWindowPos(window, NULL, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
