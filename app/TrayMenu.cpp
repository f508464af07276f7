#include "app/TrayMenu.h"
#include "gfx/MemoryDc.h"
#include "gfx/Region.h"

const UINT BannerDropTable[BannerStepCount] = {
    75, 50, 25, 0, 9, 15, 18, 20, 18, 14, 8, 0, 2, 3, 2, 0, 1, 0
};

// The darkest and lightest grey of the banner's background.
const int BannerTopLevel = 96;
// Enough for any popup this program shows; items past it are not counted in the banner height.
const UINT MaxMenuItems = 64;

int BannerLevel(int row, int height)
{
    int half = height / 2;
    if (half <= 0)
        return 0;
    if (row < half)
        return BannerTopLevel - (BannerTopLevel * row) / half;
    return (BannerTopLevel * row - BannerTopLevel * half) / half;
}

int BannerPictureTop(UINT step, int itemHeight, int bitmapHeight)
{
    if (step > BannerRestStep)
        step = BannerRestStep;
    return ((100 - (int)BannerDropTable[step]) * itemHeight) / 100 - bitmapHeight - 2;
}

int BannerPictureLeft(int itemWidth, int bitmapWidth)
{
    return (itemWidth - bitmapWidth) / 2;
}

void BannerMeasure(int bitmapWidth, int checkWidth, int menuBarHeight, UINT proposedHeight,
                   const UINT *itemStates, UINT itemCount, UINT *width, UINT *height)
{
    // The system adds the check-mark width to every owner-drawn item.
    int w = bitmapWidth - checkWidth;
    *width = w > 0 ? (UINT)w : 0;
    UINT total = 0;
    for (UINT i = 0; i < itemCount; i++) {
        if (itemStates[i] & MF_SEPARATOR)
            total += (UINT)(menuBarHeight / 2);
        else
            total += proposedHeight + 4;
    }
    *height = total;
}

TrayMenu::TrayMenu()
    : instance(NULL), menu(NULL), popup(NULL), bannerItemId(0), menuWindow(NULL), step(0)
{
    SetRectEmpty(&bannerRect);
}

TrayMenu::~TrayMenu()
{
    Destroy();
}

BOOL TrayMenu::Load(HINSTANCE instance, UINT menuId, UINT defaultItemId, UINT bannerItemId,
                    UINT bannerBitmapId)
{
    if (menu) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    this->instance = instance;
    this->bannerItemId = 0;
    menuWindow = NULL;
    SetRectEmpty(&bannerRect);
    step = 0;

    menu = LoadMenuA(instance, MAKEINTRESOURCEA(menuId));
    if (!menu)
        return FALSE;
    popup = GetSubMenu(menu, 0);
    if (!popup) {
        DestroyMenu(menu);
        menu = NULL;
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    // Shown bold; it is also what a double click on the icon opens.
    if (defaultItemId != 0)
        SetMenuDefaultItem(popup, defaultItemId, FALSE);
    if (bannerItemId != 0) {
        // The banner keeps the first item's id and carries the picture's id as its item data.
        this->bannerItemId = bannerItemId;
        ModifyMenuA(popup, bannerItemId, MF_BYCOMMAND | MF_OWNERDRAW | MF_DISABLED,
                    GetMenuItemID(popup, 0), (LPCSTR)(ULONG_PTR)LOWORD(bannerBitmapId));
    }
    return TRUE;
}

void TrayMenu::Destroy()
{
    // The popup belongs to the menu and goes with it.
    if (menu)
        DestroyMenu(menu);
    menu = NULL;
    popup = NULL;
    menuWindow = NULL;
}

BOOL TrayMenu::Track(HWND window, POINT point)
{
    if (!popup) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    step = 0;
    menuWindow = NULL;
    SetTimer(window, MenuAnimationTimer, MenuAnimationPeriod, NULL);
    BOOL shown = TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x, point.y,
                                  window, NULL);
    DWORD error = GetLastError();
    KillTimer(window, MenuAnimationTimer);
    menuWindow = NULL;
    SetLastError(error);
    return shown;
}

BOOL TrayMenu::HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != MenuAnimationTimer)
            return FALSE;
        if (menuWindow && step < BannerRestStep) {
            step++;
            InvalidateRect(menuWindow, &bannerRect, FALSE);
        }
        *result = 0;
        return TRUE;
    case WM_MEASUREITEM:
        if (!OnMeasureItem((MEASUREITEMSTRUCT *)lParam))
            return FALSE;
        *result = TRUE;
        return TRUE;
    case WM_DRAWITEM:
        if (!OnDrawItem((const DRAWITEMSTRUCT *)lParam))
            return FALSE;
        *result = TRUE;
        return TRUE;
    }
    return FALSE;
}

BOOL TrayMenu::OnMeasureItem(MEASUREITEMSTRUCT *item)
{
    if (!item || item->CtlType != ODT_MENU || bannerItemId == 0 || item->itemID != bannerItemId)
        return FALSE;
    int bitmapWidth = 0;
    HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(LOWORD(item->itemData)));
    if (bitmap) {
        BITMAP info;
        if (GetObjectA(bitmap, sizeof info, &info))
            bitmapWidth = info.bmWidth;
        DeleteObject(bitmap);
    }
    UINT states[MaxMenuItems];
    UINT count = 0;
    while (popup && count < MaxMenuItems) {
        UINT state = GetMenuState(popup, count + 1, MF_BYPOSITION);
        if (state == (UINT)-1)
            break;
        states[count++] = state;
    }
    UINT width, height;
    BannerMeasure(bitmapWidth, GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENU),
                  item->itemHeight, states, count, &width, &height);
    item->itemWidth = width;
    item->itemHeight = height;
    return TRUE;
}

BOOL TrayMenu::OnDrawItem(const DRAWITEMSTRUCT *item)
{
    if (!item || item->CtlType != ODT_MENU || bannerItemId == 0 || item->itemID != bannerItemId)
        return FALSE;
    if (!menuWindow) {
        menuWindow = WindowFromDC(item->hDC);
        if (menuWindow)
            bannerRect = item->rcItem;
        else
            step = BannerRestStep;   // nothing to animate: draw the picture at rest
    }

    int w = item->rcItem.right - item->rcItem.left;
    int h = item->rcItem.bottom - item->rcItem.top;
    if (w <= 0 || h <= 0)
        return TRUE;

    MemoryDc canvas(item->hDC, w, h);
    HDC memory = canvas.Dc();
    if (!memory)
        return TRUE;

    if (h >= 2) {
        // An opaque empty text fills a rectangle with the background colour without a brush.
        COLORREF oldBackground = GetBkColor(memory);
        for (int r = 0; r < h; r++) {
            int level = BannerLevel(r, h);
            RECT row = { 0, r, w, r + 1 };
            SetBkColor(memory, RGB(level, level, level));
            ExtTextOutA(memory, 0, r, ETO_OPAQUE, &row, "", 0, NULL);
        }
        SetBkColor(memory, oldBackground);
    }

    HBITMAP picture = LoadBitmapA(instance, MAKEINTRESOURCEA(LOWORD(item->itemData)));
    if (picture) {
        BITMAP info;
        if (GetObjectA(picture, sizeof info, &info))
            DrawTransparentBitmap(memory, BannerPictureLeft(w, info.bmWidth),
                                  BannerPictureTop(step, h, info.bmHeight), picture, BannerKeyColour, NULL);
        DeleteObject(picture);
    }

    BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, w, h, memory, 0, 0, SRCCOPY);
    return TRUE;
}
