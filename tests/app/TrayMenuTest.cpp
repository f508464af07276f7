// The tray popup menu: the banner's arithmetic and the loaded menu. The real tracked menu, its
// banner's height and animation, and what a day of menus leaves behind are the soak's.
#include <gtest/gtest.h>

#include "app/TrayMenu.h"
#include "res/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(NULL); }

TEST(TrayMenu, BannerLevelsDropsMeasureAndTheDefaultItem)
{
    const int ten[10] = { 96, 77, 58, 39, 20, 0, 19, 38, 57, 76 };   // half 5: grey, black, grey
    for (int r = 0; r < 10; r++)
        EXPECT_EQ(ten[r], BannerLevel(r, 10)) << "row " << r;
    EXPECT_EQ(96, BannerLevel(10, 11));
    EXPECT_EQ(0, BannerLevel(0, 1));
    // A 53-pixel picture: a quarter down at first, highest bounce at step 7, at rest 2 pixels above
    // the bottom from step 17 on.
    const struct { UINT step; int height, top; } drops[] = {
        { 0, 100, -30 }, { 7, 100, 25 }, { 13, 100, 42 }, { 17, 100, 45 }, { 0xFFFFFFFF, 100, 45 }, { 0, 150, -18 },
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

    TrayMenu menu;
    EXPECT_FALSE(menu.Load(Module(), 999, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    ASSERT_TRUE(menu.Load(Module(), IDM_TRAY_MENU, IDM_PROPERTIES, IDM_BANNER, IDB_MENU_BANNER));
    EXPECT_EQ((UINT)IDM_PROPERTIES, GetMenuDefaultItem(menu.Popup(), FALSE, 0));
}

} // namespace
