#include "gfx/SplashWindow.h"

#include <mmsystem.h>

#include "gfx/MemoryDc.h"
#include "gfx/Region.h"
#include "gfx/ShapedPopup.h"

// Below this depth the high-colour picture would be dithered by the system: the low-colour one,
// drawn for 16 colours, looks better there.
const int HighColourDepth = 16;

UINT SplashPictureId(int bitsPerPixel, UINT lowColourId, UINT highColourId)
{
    if (bitsPerPixel >= HighColourDepth && LOWORD(highColourId) != 0)
        return highColourId;
    return lowColourId;
}

SplashWindow::SplashWindow() : window(NULL), previous(NULL), picture(NULL)
{
    ZeroMemory(&pictureInfo, sizeof pictureInfo);
}

BOOL SplashWindow::CreateFromResource(HINSTANCE instance, HWND owner, UINT lowColourId, UINT highColourId,
                                      WORD keyCount, const COLORREF *keys, UINT displayMs, LPCSTR sound)
{
    HDC dc = GetDC(owner);
    if (!dc)
        return FALSE;
    UINT id = SplashPictureId(GetDeviceCaps(dc, BITSPIXEL), lowColourId, highColourId);
    ReleaseDC(owner, dc);

    HBITMAP loaded = LoadBitmapA(instance, MAKEINTRESOURCEA(LOWORD(id)));
    if (!loaded)
        return FALSE;
    BOOL ok = CreateFromBitmap(instance, owner, loaded, keyCount, keys, displayMs, sound, NULL);
    DWORD error = GetLastError();
    DeleteObject(loaded);
    SetLastError(error);
    return ok;
}

BOOL SplashWindow::CreateFromBitmap(HINSTANCE instance, HWND owner, HBITMAP bitmap, WORD keyCount,
                                    const COLORREF *keys, UINT displayMs, LPCSTR sound, const POINT *position)
{
    if (window) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    BOOL ok = FALSE;
    HRGN shape = NULL;
    int x, y;
    DWORD error;

    picture = (HBITMAP)CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0);
    if (!picture || !GetObjectA(picture, sizeof pictureInfo, &pictureInfo))
        goto done;
    if (position) {
        x = position->x;
        y = position->y;
    } else {
        // A picture larger than the screen gets a negative position, still centred.
        x = (GetSystemMetrics(SM_CXSCREEN) - pictureInfo.bmWidth) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - pictureInfo.bmHeight) / 2;
    }
    if (!RegionFromBitmap(owner, picture, keyCount, keys, &shape))
        goto done;
    window = CreateShapedPopup(instance, owner, 0, WS_DISABLED, x, y, pictureInfo.bmWidth, pictureInfo.bmHeight,
                               shape, this, SplashWindowProc, &previous);
    if (!window)
        goto done;   // the shape went with the attempt

    // Without its timer the splash would never go away.
    if (!SetTimer(window, SplashHideTimer, displayMs, NULL))
        goto done;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);

    // Played asynchronously; a sound that cannot be played changes nothing.
    if (sound && IS_INTRESOURCE(sound))
        PlaySoundA(sound, instance, SND_RESOURCE | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC);
    else if (sound)
        PlaySoundA(sound, NULL, SND_FILENAME | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC);
    ok = TRUE;

done:
    if (ok)
        return TRUE;
    error = GetLastError();
    if (window)
        DestroyWindow(window);   // with the shape it owns; the splash procedure drops the copy
    window = NULL;
    previous = NULL;
    if (picture)
        DeleteObject(picture);
    picture = NULL;
    SetLastError(error);
    return FALSE;
}

BOOL SplashWindow::IsVisible(BOOL *visible) const
{
    if (!window) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (visible)
        *visible = IsWindowVisible(window) != 0;
    return TRUE;
}

BOOL SplashWindow::Destroy()
{
    if (!window) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    DestroyWindow(window);
    window = NULL;
    return TRUE;
}

void SplashWindow::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    {
        MemoryDc memory(dc, picture);
        if (memory.Dc())
            BitBlt(dc, 0, 0, pictureInfo.bmWidth, pictureInfo.bmHeight, memory.Dc(), 0, 0, SRCCOPY);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK SplashWindow::SplashWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    SplashWindow *self = (SplashWindow *)ShapedPopupObject(hwnd);
    if (!self)
        return ShapedPopupDefault(NULL, hwnd, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        // Also reached when the owner goes first and takes its owned windows with it: the handle
        // is forgotten here so that it is never used again.
        if (self->picture)
            DeleteObject(self->picture);
        self->picture = NULL;
        self->window = NULL;
        return 0;
    case WM_PAINT:
        self->OnPaint();
        return 0;
    case WM_TIMER:
        KillTimer(hwnd, SplashHideTimer);
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    }
    return ShapedPopupDefault(self->previous, hwnd, message, wParam, lParam);
}
