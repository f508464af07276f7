#include "gfx/ShapedPopup.h"

HWND CreateShapedPopup(HINSTANCE instance, HWND owner, DWORD exStyle, DWORD style, int x, int y, int width,
                       int height, HRGN shape, void *object, WNDPROC proc, WNDPROC *previous)
{
    *previous = NULL;
    HWND window = CreateWindowExA(exStyle | WS_EX_TOPMOST, "STATIC", "", style | WS_POPUP, x, y, width, height,
                                  owner, NULL, instance, NULL);
    WNDPROC replaced = NULL;
    DWORD error;
    if (!window)
        goto failed;
    // Both calls may legitimately return 0: only a changed last-error code reports a failure. The
    // object goes first, so that the new procedure finds it from its first message on.
    SetLastError(0);
    SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR)object);
    if (GetLastError() != 0)
        goto failed;
    if (shape && !SetWindowRgn(window, shape, FALSE))
        goto failed;
    shape = NULL;   // the window's now
    SetLastError(0);
    replaced = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)proc);
    if (GetLastError() != 0)
        goto failed;
    *previous = replaced;
    return window;

failed:
    error = GetLastError();
    if (window)
        DestroyWindow(window);   // still the STATIC's own procedure, with the shape it owns
    if (shape)
        DeleteObject(shape);
    SetLastError(error);
    return NULL;
}

void *ShapedPopupObject(HWND hwnd)
{
    return (void *)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
}

LRESULT ShapedPopupDefault(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previous) {
        // Without its object the window is the plain STATIC it was created as: the class's own
        // procedure validates a paint, answers a hit test, and frees its data at WM_NCDESTROY.
        return CallWindowProcA((WNDPROC)GetClassLongPtrA(hwnd, GCLP_WNDPROC), hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_ERASEBKGND:
        return 1;   // the paint covers every visible pixel
    case WM_CLOSE:
        return 0;   // only the owner (or the splash's own timer) removes a popup
    }
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}
