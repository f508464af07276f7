// The tray popup menu: banner arithmetic, the banner painted into a real device context, and one
// real tracked menu whose banner animates to rest.
#include <gtest/gtest.h>

#include "app/TrayMenu.h"
#include "common/GdiCount.h"
#include "res/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(NULL); }

TEST(TrayMenuBanner, LevelsDropPositionsAndMeasure)
{
    const int ten[10] = { 96, 77, 58, 39, 20, 0, 19, 38, 57, 76 };   // half 5: grey, black, grey
    for (int r = 0; r < 10; r++)
        EXPECT_EQ(ten[r], BannerLevel(r, 10)) << "row " << r;
    EXPECT_EQ(96, BannerLevel(10, 11));
    EXPECT_EQ(0, BannerLevel(0, 1));
    // A 53-pixel picture: a quarter down at first, highest bounce at step 7, at rest 2 pixels above
    // the bottom from step 17 on.
    const struct { UINT step; int height, top; } drops[] = {
        { 0, 100, -30 }, { 7, 100, 25 }, { 13, 100, 42 }, { 17, 100, 45 }, { 0xFFFFFFFF, 100, 45 },
        { 0, 150, -18 },
    };
    for (const auto &d : drops)
        EXPECT_EQ(d.top, BannerPictureTop(d.step, d.height, 53)) << "step " << d.step;
    // Properties (new column), separator, Help, separator, Exit beside the banner.
    const UINT states[] = { MF_MENUBARBREAK, MF_SEPARATOR, 0, MF_SEPARATOR | MF_DISABLED, MF_GRAYED };
    UINT width, height;
    BannerMeasure(15, 13, 19, 16, states, 5, &width, &height);
    EXPECT_TRUE(width == 2 && height == 20 + 9 + 20 + 9 + 20) << width << " x " << height;
    BannerMeasure(15, 20, 19, 16, states, 0, &width, &height);
    EXPECT_EQ(0u, width);   // a check mark wider than the picture
}

TEST(TrayMenu, BannerPaintedWithoutAMenuWindowRestsAndLosesNothing)
{
    TrayMenu menu;
    EXPECT_FALSE(menu.Load(Module(), 999, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    EXPECT_EQ((UINT)IDM_PROPERTIES, GetMenuDefaultItem(menu.Popup(), FALSE, 0));

    const int w = 27, h = 120;
    HDC screen = GetDC(NULL), dc = CreateCompatibleDC(screen), source = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, w, h);
    HBITMAP picture = LoadBitmapA(Module(), MAKEINTRESOURCEA(IDB_MENU_BANNER));
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(dc, canvas), sourceOld = SelectObject(source, picture);
    DRAWITEMSTRUCT item = { ODT_MENU, 0, IDM_BANNER, 0, 0, NULL, dc, { 0, 0, w, h }, IDB_MENU_BANNER };
    LRESULT result = 0;
    ASSERT_TRUE(menu.HandleMenuMessage(WM_DRAWITEM, 0, (LPARAM)&item, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ(BannerRestStep, menu.Step());
    EXPECT_TRUE(menu.HandleMenuMessage(WM_TIMER, MenuAnimationTimer, 0, &result));
    EXPECT_EQ(BannerRestStep, menu.Step());
    EXPECT_FALSE(menu.HandleMenuMessage(WM_TIMER, 1, 0, &result));

    // Every pixel: the gradient, with the picture's opaque pixels over it at its resting place.
    int left = BannerPictureLeft(w, 15), top = BannerPictureTop(BannerRestStep, h, 53), opaque = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            COLORREF expected = RGB(BannerLevel(y, h), BannerLevel(y, h), BannerLevel(y, h));
            COLORREF pixel = GetPixel(source, x - left, y - top);   // CLR_INVALID outside
            if (pixel != CLR_INVALID && pixel != BannerKeyColour) {
                expected = pixel;
                opaque++;
            }
            ASSERT_EQ(expected, GetPixel(dc, x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 100);

    UINT gdi = CountGdiObjects(), menus = CountMenus();
    for (int i = 0; i < 1000; i++)
        menu.HandleMenuMessage(WM_DRAWITEM, 0, (LPARAM)&item, &result);
    for (int i = 0; i < 50; i++) {
        TrayMenu once;
        once.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER);
        once.Destroy();   // and again by the destructor, which must release nothing twice
    }
    EXPECT_EQ(gdi, CountGdiObjects());
    EXPECT_EQ(menus, CountMenus());
    SelectObject(source, sourceOld);
    SelectObject(dc, old);
    DeleteDC(source);
    DeleteDC(dc);
    DeleteObject(picture);
    DeleteObject(canvas);
}

// Offers every message to the menu, as the main window does, and closes the menu once the banner
// rests (or after a deadline of ticks).
TrayMenu *tracked;
UINT ticks;
RECT bannerItem;

LRESULT CALLBACK TrackerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (tracked && tracked->HandleMenuMessage(message, wParam, lParam, &result)) {
        if (message == WM_TIMER && (++ticks > 200 || tracked->Step() == BannerRestStep)) {
            GetMenuItemRect(window, tracked->Popup(), 0, &bannerItem);
            EndMenu();
        }
        return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(TrayMenu, TrackedMenuAnimatesTheBannerToRest)
{
    WNDCLASSA wc = { 0, TrackerProc, 0, 0, Module(), NULL, NULL, NULL, NULL, "KestrelMenuTracker" };
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, Module(), NULL);
    SetForegroundWindow(window);
    TrayMenu menu;
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    tracked = &menu;
    ticks = 0;
    POINT at = { 200, 200 };
    EXPECT_TRUE(menu.Track(window, at));
    tracked = NULL;

    EXPECT_EQ(BannerRestStep, menu.Step());
    EXPECT_GE(ticks, BannerRestStep);   // one step per tick, after the first paint
    EXPECT_GT(bannerItem.bottom - bannerItem.top, 3 * GetSystemMetrics(SM_CYMENU) / 2);
    EXPECT_FALSE(KillTimer(window, MenuAnimationTimer));   // Track killed it already
    DestroyWindow(window);
}

} // namespace
