// TrayMenu: the notification icon's popup menu, with an owner-drawn banner down its left side in
// which a small picture drops and bounces while the menu is open. Lives for one right click: the
// main window loads it, tracks it (offering it every message meanwhile), then destroys and deletes it.
#ifndef KESTREL_TRAYMENU_H
#define KESTREL_TRAYMENU_H

#include <windows.h>

// Timer of the tracking window while the menu is open: one animation step per tick.
const UINT MenuAnimationTimer = 12345;
const UINT MenuAnimationPeriod = 60;

// Animation steps: 0 (falling from a quarter of the way down) to 17 (at rest on the bottom).
const UINT BannerStepCount = 18;
const UINT BannerRestStep = BannerStepCount - 1;
// Percentage of the banner height by which the picture is lifted above its resting place, per step.
extern const UINT BannerDropTable[BannerStepCount];

// The banner's transparent colour.
const COLORREF BannerKeyColour = RGB(255, 0, 255);

// The grey level of banner row "row" of "height": 96 at the top, 0 in the middle, back toward 96 at
// the bottom. 0 when the banner is under 2 pixels high (it then gets no rows).
int BannerLevel(int row, int height);
// The picture's top edge in a banner of itemHeight at animation step (steps past the last rest).
int BannerPictureTop(UINT step, int itemHeight, int bitmapHeight);
// The picture's left edge, centred.
int BannerPictureLeft(int itemWidth, int bitmapWidth);
// The banner's size: as wide as the picture less the check-mark width the system adds (not below
// 0), as tall as the column of the other items, whose GetMenuState flags are given in order: half a
// menu bar for a separator, the proposed height + 4 for any other item.
void BannerMeasure(int bitmapWidth, int checkWidth, int menuBarHeight, UINT proposedHeight,
                   const UINT *itemStates, UINT itemCount, UINT *width, UINT *height);

class TrayMenu {
public:
    TrayMenu();
    ~TrayMenu();

    // Loads menuId, makes defaultItemId the default item and bannerItemId (0: none) the owner-drawn
    // banner showing bitmap bannerBitmapId. Refuses with ERROR_ALREADY_EXISTS when loaded; a menu
    // without a popup is refused and leaves the object empty.
    BOOL Load(HINSTANCE instance, UINT menuId, UINT defaultItemId, UINT bannerItemId, UINT bannerBitmapId);
    // Shows the popup at point (screen coordinates) and returns when it closes; the chosen command
    // is posted to window as WM_COMMAND. ERROR_NOT_READY without a popup.
    BOOL Track(HWND window, POINT point);
    // Offered every message of the tracking window while the object exists. Returns 1 when the
    // message was the menu's, with the window procedure's result in *result.
    BOOL HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result);
    // Destroys the loaded menu (and with it the popup).
    void Destroy();

    HMENU Popup() const { return popup; }
    UINT Step() const { return step; }
    HWND MenuWindow() const { return menuWindow; }

private:
    BOOL OnMeasureItem(MEASUREITEMSTRUCT *item);
    BOOL OnDrawItem(const DRAWITEMSTRUCT *item);

    HINSTANCE instance;
    HMENU menu;
    HMENU popup;
    UINT bannerItemId;
    HWND menuWindow;
    RECT bannerRect;
    UINT step;
};

#endif
