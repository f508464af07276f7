// SplashWindow: the start-up picture, shaped to its non-key pixels, centred above all normal windows
// for a fixed time without ever taking the focus. Owned by the main window: Create* once, poll
// IsVisible until it has hidden itself (its own timer), then Destroy and delete.
#ifndef KESTREL_SPLASHWINDOW_H
#define KESTREL_SPLASHWINDOW_H

#include <windows.h>

// The timer of the splash window that hides it after the display time.
const UINT_PTR SplashHideTimer = 1;

// The bitmap id CreateFromResource loads on a display of bitsPerPixel: the high-colour picture from
// 16 bits per pixel up, unless its id (low 16 bits) is 0; the low-colour one otherwise.
UINT SplashPictureId(int bitsPerPixel, UINT lowColourId, UINT highColourId);

class SplashWindow {
public:
    SplashWindow();

    // Picks the picture for the owner's display depth, loads it and shows it as CreateFromBitmap does.
    BOOL CreateFromResource(HINSTANCE instance, HWND owner, UINT lowColourId, UINT highColourId,
                            WORD keyCount, const COLORREF *keys, UINT displayMs, LPCSTR sound);
    // Shows a copy of bitmap, its key-coloured pixels left out, at position or centred on the screen,
    // for displayMs. sound: null for none, a resource id of instance (MAKEINTRESOURCEA) or a file
    // name. Refuses with ERROR_ALREADY_EXISTS while a window exists; a failure leaves none.
    BOOL CreateFromBitmap(HINSTANCE instance, HWND owner, HBITMAP bitmap, WORD keyCount, const COLORREF *keys,
                          UINT displayMs, LPCSTR sound, const POINT *position);
    // Whether the window is still shown (it hides itself when its time is up). ERROR_NOT_READY
    // without a window.
    BOOL IsVisible(BOOL *visible) const;
    // Destroys the window. ERROR_NOT_READY without one.
    BOOL Destroy();

    HWND Window() const { return window; }
    HBITMAP Picture() const { return picture; }

private:
    static LRESULT CALLBACK SplashWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();

    HWND window;
    WNDPROC previous;
    HBITMAP picture;      // the splash's own copy, deleted with the window
    BITMAP pictureInfo;   // its size sizes the window and the painting
};

#endif
