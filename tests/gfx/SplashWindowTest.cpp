// The splash window against Wine's real windows, timers and GDI: the picture chosen for the display,
// its refusals, an empty shape, its owner going first, and what a failed creation leaves. Where it
// shows, its shape on screen and that it leaves the foreground alone the start-up scenario sees.
#include <gtest/gtest.h>

#include "common/GdiCount.h"
#include "gfx/SplashWindow.h"
#include "res/resource.h"

namespace {

const COLORREF Key = RGB(0, 255, 0);

HBITMAP FilledBitmap(int width, int height, COLORREF colour)
{
    HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = { 0, 0, width, height };
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return bitmap;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

TEST(SplashPictureId, HighColourFrom16BitsUnlessItsIdIsZero)
{
    const struct { int depth; UINT high; UINT expected; } cases[] = {
        { 8, 113, 112 }, { 15, 113, 112 }, { 16, 113, 113 }, { 32, 113, 113 },
        { 32, 0, 112 }, { 32, 0x10000, 112 },   // only the low 16 bits name the bitmap
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, SplashPictureId(c.depth, 112, c.high)) << c.depth << " bits, high id " << c.high;
}

TEST(Splash, RefusesASecondCreationHidesOnTimeWithAnEmptyShapeAndLeavesNothingWhenItFails)
{
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    HBITMAP picture = FilledBitmap(40, 30, RGB(10, 20, 30)), allKey = FilledBitmap(64, 48, Key);
    SplashWindow splash;
    ASSERT_TRUE(splash.CreateFromBitmap(NULL, owner, picture, 1, &Key, 60000, NULL, NULL));
    HWND first = splash.Window();
    POINT elsewhere = { 5, 5 };
    SetLastError(0);
    EXPECT_FALSE(splash.CreateFromBitmap(NULL, owner, picture, 1, &Key, 60000, NULL, &elsewhere));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_TRUE(first == splash.Window() && IsWindowVisible(first));
    SendMessageA(first, WM_CLOSE, 0, 0);   // only its timer hides it
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_TRUE(splash.Destroy());

    // Made again after Destroy, at its own position; all key: an empty shape, hidden on time and
    // left for the owner to destroy.
    ASSERT_TRUE(splash.CreateFromBitmap(NULL, owner, allKey, 1, &Key, 50, NULL, &elsewhere));
    RECT r;
    GetWindowRect(splash.Window(), &r);
    EXPECT_TRUE(r.left == 5 && r.top == 5);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(NULLREGION, GetWindowRgn(splash.Window(), shape));
    DeleteObject(shape);
    BOOL visible = TRUE;
    for (DWORD start = GetTickCount(); splash.IsVisible(&visible) && visible && GetTickCount() - start < 5000;) {
        Pump();
        Sleep(10);
    }
    EXPECT_FALSE(visible);
    EXPECT_TRUE(IsWindow(splash.Window()));

    // The owner goes first and takes the splash along: the object lets go of the dead handle.
    HWND window = splash.Window();
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(window));
    SetLastError(0);
    EXPECT_FALSE(splash.IsVisible(NULL));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());

    // A failed creation leaves no window and no object behind, and keeps its cause.
    UINT before = CountGdiObjects();
    SplashWindow failed;
    EXPECT_FALSE(failed.CreateFromBitmap(NULL, NULL, NULL, 1, &Key, 60000, NULL, NULL));
    EXPECT_TRUE(failed.Window() == NULL && failed.Picture() == NULL);
    SetLastError(0);
    EXPECT_FALSE(failed.CreateFromResource(GetModuleHandleA(NULL), NULL, 999, 998, 1, &Key, 60000, NULL));
    EXPECT_EQ((DWORD)ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(before, CountGdiObjects());
    DeleteObject(picture);
    DeleteObject(allKey);
    Pump();
}

} // namespace
