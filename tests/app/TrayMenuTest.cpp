// The tray popup menu: its banner arithmetic, the loaded menu, the owner-drawn banner painted into
// real device contexts, and one real tracked menu whose banner animates to rest.
#include <gtest/gtest.h>

#include "app/TrayMenu.h"
#include "common/GdiCount.h"
#include "res/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(NULL); }

TEST(TrayMenuBanner, BackgroundRunsFromGreyToBlackAndBack)
{
    // Height 10: half 5.
    const int ten[10] = { 96, 77, 58, 39, 20, 0, 19, 38, 57, 76 };
    for (int r = 0; r < 10; r++)
        EXPECT_EQ(ten[r], BannerLevel(r, 10)) << "row " << r;
    // Odd height: the extra row ends back at the top's grey.
    EXPECT_EQ(96, BannerLevel(0, 11));
    EXPECT_EQ(0, BannerLevel(5, 11));
    EXPECT_EQ(96, BannerLevel(10, 11));
    // A tall banner stays within 0..96 all the way down.
    for (int r = 0; r < 301; r++) {
        EXPECT_GE(BannerLevel(r, 301), 0);
        EXPECT_LE(BannerLevel(r, 301), 96);
    }
    EXPECT_EQ(0, BannerLevel(0, 1));
    EXPECT_EQ(0, BannerLevel(0, 0));
}

TEST(TrayMenuBanner, PictureFallsBouncesAndRestsAtTheBottom)
{
    // A 53-pixel picture in a 100-pixel banner rests with its foot 2 pixels above the bottom.
    EXPECT_EQ(-30, BannerPictureTop(0, 100, 53));
    EXPECT_EQ(45, BannerPictureTop(3, 100, 53));
    EXPECT_EQ(25, BannerPictureTop(7, 100, 53));    // the highest bounce: 20 percent
    EXPECT_EQ(45, BannerPictureTop(11, 100, 53));
    EXPECT_EQ(42, BannerPictureTop(13, 100, 53));
    EXPECT_EQ(45, BannerPictureTop(17, 100, 53));
    EXPECT_EQ(45, BannerPictureTop(18, 100, 53));   // past the last step: at rest
    EXPECT_EQ(45, BannerPictureTop(0xFFFFFFFF, 100, 53));
    EXPECT_EQ(-18, BannerPictureTop(0, 150, 53));   // (25 x 150) / 100 truncates to 37
    EXPECT_EQ(3, BannerPictureLeft(21, 15));
    EXPECT_EQ(-1, BannerPictureLeft(13, 15));
    // Every step lifts the picture, or leaves it at rest; never below its resting place.
    for (UINT step = 0; step < BannerStepCount; step++)
        EXPECT_LE(BannerPictureTop(step, 120, 53), BannerPictureTop(BannerRestStep, 120, 53));
}

TEST(TrayMenuBanner, MeasuresTheColumnOfTheOtherItems)
{
    // The items after the banner in the tray menu: Properties (new column), separator, Help,
    // separator, Exit.
    const UINT states[] = { MF_MENUBARBREAK, MF_SEPARATOR, 0, MF_SEPARATOR | MF_DISABLED, MF_GRAYED };
    UINT width = 99, height = 99;
    BannerMeasure(15, 13, 19, 16, states, 5, &width, &height);
    EXPECT_EQ(2u, width);
    EXPECT_EQ(20u + 9u + 20u + 9u + 20u, height);
    BannerMeasure(15, 20, 19, 16, states, 0, &width, &height);
    EXPECT_EQ(0u, width);    // a check mark wider than the picture
    EXPECT_EQ(0u, height);
}

TEST(TrayMenu, LoadsTheTrayMenuWithItsBannerAndDefault)
{
    TrayMenu menu;
    SetLastError(0);
    POINT origin = { 0, 0 };
    EXPECT_FALSE(menu.Track(NULL, origin));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());

    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    HMENU popup = menu.Popup();
    ASSERT_TRUE(popup != NULL);
    EXPECT_EQ(6, GetMenuItemCount(popup));
    EXPECT_EQ((UINT)IDM_PROPERTIES, GetMenuDefaultItem(popup, FALSE, 0));

    MENUITEMINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE | MIIM_ID | MIIM_DATA | MIIM_STATE;
    ASSERT_TRUE(GetMenuItemInfoA(popup, 0, TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
    EXPECT_EQ((UINT)IDM_BANNER, info.wID);
    EXPECT_EQ((ULONG_PTR)IDB_MENU_BANNER, info.dwItemData);
    EXPECT_TRUE(info.fState & MFS_DISABLED);

    SetLastError(0);
    EXPECT_FALSE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());

    // No such menu: the object stays empty and shows nothing.
    TrayMenu missing;
    EXPECT_FALSE(missing.Load(Module(), 999, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    EXPECT_TRUE(missing.Popup() == NULL);
    EXPECT_FALSE(missing.Track(NULL, origin));
}

TEST(TrayMenu, AnswersOnlyItsOwnMessages)
{
    TrayMenu menu;
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    LRESULT result = 55;

    MEASUREITEMSTRUCT measure;
    ZeroMemory(&measure, sizeof measure);
    measure.CtlType = ODT_MENU;
    measure.itemID = IDM_BANNER;
    measure.itemData = IDB_MENU_BANNER;
    measure.itemHeight = 16;
    ASSERT_TRUE(menu.HandleMenuMessage(WM_MEASUREITEM, 0, (LPARAM)&measure, &result));
    EXPECT_EQ(1, result);
    int check = GetSystemMetrics(SM_CXMENUCHECK);
    EXPECT_EQ((UINT)(15 > check ? 15 - check : 0), measure.itemWidth);
    EXPECT_EQ((UINT)(3 * 20 + 2 * (GetSystemMetrics(SM_CYMENU) / 2)), measure.itemHeight);

    measure.itemID = IDM_HELP;
    measure.itemHeight = 16;
    EXPECT_FALSE(menu.HandleMenuMessage(WM_MEASUREITEM, 0, (LPARAM)&measure, &result));
    EXPECT_EQ(16u, measure.itemHeight);
    measure.itemID = IDM_BANNER;
    measure.CtlType = ODT_BUTTON;
    EXPECT_FALSE(menu.HandleMenuMessage(WM_MEASUREITEM, 0, (LPARAM)&measure, &result));

    EXPECT_FALSE(menu.HandleMenuMessage(WM_TIMER, 1, 0, &result));
    EXPECT_FALSE(menu.HandleMenuMessage(WM_COMMAND, IDM_EXIT, 0, &result));
    result = 55;
    EXPECT_TRUE(menu.HandleMenuMessage(WM_TIMER, MenuAnimationTimer, 0, &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(0u, menu.Step());   // no menu window yet: nothing moves
}

// A banner item of w x h painted into a memory bitmap that the test then reads.
class BannerPaint : public ::testing::Test {
protected:
    void Paint(TrayMenu &menu, HDC dc, int w, int h)
    {
        DRAWITEMSTRUCT item;
        ZeroMemory(&item, sizeof item);
        item.CtlType = ODT_MENU;
        item.itemID = IDM_BANNER;
        item.itemAction = ODA_DRAWENTIRE;
        item.hDC = dc;
        SetRect(&item.rcItem, 0, 0, w, h);
        item.itemData = IDB_MENU_BANNER;
        LRESULT result = 0;
        ASSERT_TRUE(menu.HandleMenuMessage(WM_DRAWITEM, 0, (LPARAM)&item, &result));
        EXPECT_EQ(1, result);
    }
    HDC MakeCanvas(int w, int h)
    {
        HDC screen = GetDC(NULL);
        canvas = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(NULL, screen);
        memory = CreateCompatibleDC(NULL);
        old = SelectObject(memory, canvas);
        return memory;
    }
    void TearDown() override
    {
        if (memory) {
            SelectObject(memory, old);
            DeleteDC(memory);
            DeleteObject(canvas);
        }
    }
    HBITMAP canvas = NULL;
    HDC memory = NULL;
    HGDIOBJ old = NULL;
};

TEST_F(BannerPaint, WithoutAMenuWindowThePictureIsDrawnAtRest)
{
    const int w = 27, h = 120;
    TrayMenu menu;
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    HDC dc = MakeCanvas(w, h);
    Paint(menu, dc, w, h);
    EXPECT_EQ(BannerRestStep, menu.Step());
    EXPECT_TRUE(menu.MenuWindow() == NULL);

    // The picture as the resources hold it, to compare with what was painted.
    HBITMAP picture = LoadBitmapA(Module(), MAKEINTRESOURCEA(IDB_MENU_BANNER));
    ASSERT_TRUE(picture != NULL);
    BITMAP info;
    GetObjectA(picture, sizeof info, &info);
    ASSERT_EQ(15, info.bmWidth);
    ASSERT_EQ(53, info.bmHeight);
    HDC source = CreateCompatibleDC(NULL);
    HGDIOBJ sourceOld = SelectObject(source, picture);
    int left = BannerPictureLeft(w, 15), top = BannerPictureTop(BannerRestStep, h, 53);
    int opaque = 0;
    for (int y = 0; y < h; y++) {
        int level = BannerLevel(y, h);
        for (int x = 0; x < w; x++) {
            COLORREF expected = RGB(level, level, level);
            if (x >= left && x < left + 15 && y >= top && y < top + 53) {
                COLORREF pixel = GetPixel(source, x - left, y - top);
                if (pixel != BannerKeyColour) {
                    expected = pixel;
                    opaque++;
                }
            }
            ASSERT_EQ(expected, GetPixel(dc, x, y)) << "at " << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 100);
    SelectObject(source, sourceOld);
    DeleteDC(source);
    DeleteObject(picture);

    // The timer finds no window to repaint.
    LRESULT result;
    EXPECT_TRUE(menu.HandleMenuMessage(WM_TIMER, MenuAnimationTimer, 0, &result));
    EXPECT_EQ(BannerRestStep, menu.Step());
}

TEST_F(BannerPaint, InAWindowTheTimerStepsToRestAndStops)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 40, 200, NULL, NULL, Module(), NULL);
    ASSERT_TRUE(window != NULL);
    TrayMenu menu;
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    HDC dc = GetDC(window);
    Paint(menu, dc, 21, 150);
    ReleaseDC(window, dc);
    EXPECT_EQ(window, menu.MenuWindow());
    EXPECT_EQ(0u, menu.Step());
    LRESULT result;
    for (int i = 0; i < 30; i++)
        EXPECT_TRUE(menu.HandleMenuMessage(WM_TIMER, MenuAnimationTimer, 0, &result));
    EXPECT_EQ(BannerRestStep, menu.Step());
    DestroyWindow(window);
}

TEST_F(BannerPaint, RepeatedPaintsLoseNoGdiObjectAndMenusGoOnce)
{
    HDC dc = MakeCanvas(21, 90);
    TrayMenu menu;
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    Paint(menu, dc, 21, 90);
    UINT gdi = CountGdiObjects();
    for (int i = 0; i < 1000; i++)
        Paint(menu, dc, 21, 90);
    EXPECT_EQ(gdi, CountGdiObjects());

    UINT menus = CountMenus();
    for (int i = 0; i < 50; i++) {
        TrayMenu *once = new TrayMenu;
        once->Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER);
        once->Destroy();
        delete once;   // destroying again after Destroy releases nothing twice
    }
    EXPECT_EQ(menus, CountMenus());
}

// A window that offers every message to the menu, as the main window does, and closes the menu
// once the banner has come to rest (or after a deadline of ticks).
struct Tracker {
    TrayMenu *menu;
    UINT ticks;
    RECT bannerItem;
};
Tracker *tracker;

LRESULT CALLBACK TrackerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (tracker && tracker->menu->HandleMenuMessage(message, wParam, lParam, &result)) {
        if (message == WM_TIMER && ++tracker->ticks &&
            (tracker->menu->Step() == BannerRestStep || tracker->ticks > 200)) {
            GetMenuItemRect(window, tracker->menu->Popup(), 0, &tracker->bannerItem);
            EndMenu();
        }
        return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(TrayMenu, TrackedMenuAnimatesTheBannerToRest)
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = TrackerProc;
    wc.hInstance = Module();
    wc.lpszClassName = "KestrelMenuTracker";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, Module(), NULL);
    ASSERT_TRUE(window != NULL);
    SetForegroundWindow(window);

    TrayMenu menu;
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    Tracker state = { &menu, 0, { 0, 0, 0, 0 } };
    tracker = &state;
    POINT at = { 200, 200 };
    EXPECT_TRUE(menu.Track(window, at));
    tracker = NULL;

    EXPECT_EQ(BannerRestStep, menu.Step());
    EXPECT_LE(state.ticks, 200u);
    EXPECT_GE(state.ticks, BannerRestStep);   // one step per tick, after the first paint
    EXPECT_TRUE(menu.MenuWindow() == NULL);   // forgotten once the menu closed
    // The banner is as tall as the column beside it.
    EXPECT_GT(state.bannerItem.bottom - state.bannerItem.top, 3 * GetSystemMetrics(SM_CYMENU) / 2);
    // The timer went with the menu.
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE));
    DestroyWindow(window);
}

} // namespace
