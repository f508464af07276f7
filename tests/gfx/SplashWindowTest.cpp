// The splash window against Wine's real windows, timers and GDI: the picture chosen for the display,
// the window's shape and manners, its refusals, and the handles it gives back.
#include <gtest/gtest.h>

#include "common/GdiCount.h"
#include "gfx/SplashWindow.h"
#include "res/resource.h"

namespace {

const COLORREF Key = RGB(0, 255, 0);

HBITMAP FilledBitmap(int width, int height, COLORREF colour)
{
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
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

// Whether two bitmaps hold the same pixels on a grid of every step-th pixel.
bool SamePixels(HBITMAP a, HBITMAP b, int step)
{
    BITMAP ia, ib;
    GetObjectA(a, sizeof ia, &ia);
    GetObjectA(b, sizeof ib, &ib);
    if (ia.bmWidth != ib.bmWidth || ia.bmHeight != ib.bmHeight)
        return false;
    HDC da = CreateCompatibleDC(NULL), db = CreateCompatibleDC(NULL);
    HGDIOBJ oa = SelectObject(da, a), ob = SelectObject(db, b);
    bool same = true;
    for (int y = 0; y < ia.bmHeight && same; y += step)
        for (int x = 0; x < ia.bmWidth && same; x += step)
            same = GetPixel(da, x, y) == GetPixel(db, x, y);
    SelectObject(da, oa);
    SelectObject(db, ob);
    DeleteDC(da);
    DeleteDC(db);
    return same;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// Pumps messages until the splash has hidden itself or timeoutMs pass.
bool WaitHidden(const SplashWindow &splash, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    BOOL visible = TRUE;
    while (splash.IsVisible(&visible) && visible && GetTickCount() - start < timeoutMs) {
        Pump();
        Sleep(10);
    }
    return !visible;
}

class Splash : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(owner != NULL);
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        Pump();
    }
    HWND owner;
};

TEST(SplashPictureId, HighColourFrom16BitsUnlessItsIdIsZero)
{
    const struct { int depth; UINT high; UINT expected; } cases[] = {
        { 8, 113, 112 }, { 15, 113, 112 }, { 16, 113, 113 }, { 32, 113, 113 },
        { 32, 0, 112 }, { 32, 0x10000, 112 },   // only the low 16 bits name the bitmap
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, SplashPictureId(c.depth, 112, c.high)) << c.depth << " bits, high id " << c.high;
}

// Where it shows and that it leaves the foreground alone the start-up scenario sees on screen.
TEST_F(Splash, ShowsTheDisplaysPictureDisabledUntilItsTimerHidesIt)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    HDC screen = GetDC(NULL);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(NULL, screen);
    ASSERT_GE(depth, 16) << "the test display shows high colour";

    const struct { UINT high; UINT shown; } cases[] = { { IDB_SPLASH_HIGH, IDB_SPLASH_HIGH }, { 0, IDB_SPLASH_LOW } };
    for (const auto &c : cases) {
        SplashWindow splash;
        ASSERT_TRUE(splash.CreateFromResource(instance, owner, IDB_SPLASH_LOW, c.high, 1, &Key, 60000, NULL));
        HWND window = splash.Window();
        HBITMAP expected = LoadBitmapA(instance, MAKEINTRESOURCEA(c.shown));
        EXPECT_TRUE(SamePixels(expected, splash.Picture(), 3)) << "bitmap " << c.shown;
        DeleteObject(expected);
        const DWORD styles = WS_POPUP | WS_DISABLED | WS_VISIBLE | WS_CHILD | WS_CAPTION | WS_THICKFRAME;
        EXPECT_EQ((DWORD)(WS_POPUP | WS_DISABLED | WS_VISIBLE), GetWindowLongA(window, GWL_STYLE) & styles);

        // Only its timer hides it.
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_TRUE(splash.Destroy());
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(Splash, RefusesASecondCreationAndIsMadeAgainAfterDestroy)
{
    HBITMAP picture = FilledBitmap(40, 30, RGB(10, 20, 30));
    SplashWindow splash;
    ASSERT_TRUE(splash.CreateFromBitmap(NULL, owner, picture, 1, &Key, 60000, NULL, NULL));
    HWND first = splash.Window();
    HBITMAP firstCopy = splash.Picture();
    SetLastError(0);
    POINT elsewhere = { 5, 5 };
    EXPECT_FALSE(splash.CreateFromBitmap(NULL, owner, picture, 1, &Key, 60000, NULL, &elsewhere));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_TRUE(first == splash.Window() && firstCopy == splash.Picture() && IsWindowVisible(first));

    // Destroyed, it can be created again; then its own position is used.
    EXPECT_TRUE(splash.Destroy());
    ASSERT_TRUE(splash.CreateFromBitmap(NULL, owner, picture, 1, &Key, 60000, NULL, &elsewhere));
    RECT r;
    GetWindowRect(splash.Window(), &r);
    EXPECT_TRUE(r.left == 5 && r.top == 5);
    EXPECT_TRUE(splash.Destroy());
    DeleteObject(picture);
}

TEST_F(Splash, AnAllKeyPictureHasAnEmptyShapeAndStillHidesOnTime)
{
    HBITMAP picture = FilledBitmap(64, 48, Key);
    SplashWindow splash;
    ASSERT_TRUE(splash.CreateFromBitmap(NULL, owner, picture, 1, &Key, 50, NULL, NULL));
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(NULLREGION, GetWindowRgn(splash.Window(), shape));
    DeleteObject(shape);
    EXPECT_TRUE(WaitHidden(splash, 5000));
    EXPECT_TRUE(IsWindow(splash.Window()));   // hidden, not destroyed: that is the owner's part
    EXPECT_TRUE(splash.Destroy());
    DeleteObject(picture);
}

TEST_F(Splash, GoesWithItsOwnerAndGivesBackEveryHandle)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    {   // warm-up: the first load and window of the process allocate for good
        SplashWindow splash;
        splash.CreateFromResource(instance, owner, IDB_SPLASH_LOW, IDB_SPLASH_HIGH, 1, &Key, 60000, NULL);
        splash.Destroy();
    }
    UINT before = CountGdiObjects();
    for (int i = 0; i < 5; i++) {
        SplashWindow splash;
        ASSERT_TRUE(splash.CreateFromResource(instance, owner, IDB_SPLASH_LOW, IDB_SPLASH_HIGH, 1, &Key, 30,
                                              NULL));
        EXPECT_TRUE(WaitHidden(splash, 5000));
        EXPECT_TRUE(splash.Destroy());
    }
    EXPECT_EQ(before, CountGdiObjects());

    // A failed creation leaves no window and nothing behind, and keeps its cause.
    SplashWindow failed;
    EXPECT_FALSE(failed.CreateFromBitmap(instance, owner, NULL, 1, &Key, 60000, NULL, NULL));
    EXPECT_TRUE(failed.Window() == NULL);
    EXPECT_TRUE(failed.Picture() == NULL);
    SetLastError(0);
    EXPECT_FALSE(failed.CreateFromResource(instance, owner, 999, 998, 1, &Key, 60000, NULL));
    EXPECT_EQ((DWORD)ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(before, CountGdiObjects());
}

TEST(SplashOwner, TakesTheSplashAlongAndTheObjectLetsGoOfTheDeadHandle)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    UINT before = 0;
    for (int i = 0; i < 4; i++) {
        if (i == 1)
            before = CountGdiObjects();   // the first round was the warm-up
        HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
        SplashWindow owned;
        ASSERT_TRUE(owned.CreateFromResource(instance, owner, IDB_SPLASH_LOW, IDB_SPLASH_HIGH, 1, &Key, 60000,
                                             NULL));
        HWND window = owned.Window();
        DestroyWindow(owner);
        EXPECT_FALSE(IsWindow(window));
        SetLastError(0);
        EXPECT_FALSE(owned.IsVisible(NULL));
        EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
        Pump();
    }
    EXPECT_EQ(before, CountGdiObjects());
}

} // namespace
