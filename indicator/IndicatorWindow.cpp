#include "indicator/IndicatorWindow.h"

#include <new>
#include <stdlib.h>

#include "app/SettingsStore.h"
#include "gfx/ShapedPopup.h"
#include "gfx/Tooltip.h"
#include "indicator/IndicatorSkin.h"
#include "res/resource.h"

// The indicator is never activated, not even by a move: activating it would take the focus from
// the program the user is working in.
static const UINT MoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

void ClampRectToArea(RECT *rect, const RECT *area)
{
    if (rect->bottom > area->bottom)
        OffsetRect(rect, 0, area->bottom - rect->bottom);
    if (rect->right > area->right)
        OffsetRect(rect, area->right - rect->right, 0);
    if (rect->top < area->top)
        OffsetRect(rect, 0, area->top - rect->top);
    if (rect->left < area->left)
        OffsetRect(rect, area->left - rect->left, 0);
}

void GetWorkArea(RECT *area)
{
    RECT screen;
    SetRect(&screen, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    // Some systems keep reporting the work area of the display mode a process started in; after a
    // switch to a smaller mode that would leave the indicator off the screen, so the screen bounds it.
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0) || !IntersectRect(area, area, &screen))
        *area = screen;
}

// The signed 16-bit halves of a mouse message's lParam: client points left of or above the window
// are negative while the mouse is captured.
static POINT PointFrom(LPARAM lParam)
{
    POINT point = { (SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam) };
    return point;
}

IndicatorWindow::IndicatorWindow()
    : module(NULL), window(NULL), previous(NULL), shape(NULL), skin(NULL), tooltip(NULL), position(0),
      width(0), height(0), horizontal(TRUE), percent(0), state(OnBattery), minutes(0), drag(Idle), owner(NULL)
{
    pressScreen.x = pressScreen.y = 0;
    pressWindow.x = pressWindow.y = 0;
}

BOOL IndicatorWindow::Create(HINSTANCE module, HWND owner, const char *installFolder, const char *resourceFolder,
                             UINT skinNumber, DWORD displayMode, DWORD position, BOOL horizontal, UINT percent,
                             PowerState state, UINT minutes, const char *tipText)
{
    if (window) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    this->module = module;
    this->owner = owner;
    skin = new (std::nothrow) IndicatorSkin(module);
    if (!skin) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    int x, y;
    DWORD error;
    if (!skin->Load(installFolder, resourceFolder, skinNumber, displayMode) || !skin->CopyRegion(horizontal, &shape))
        goto failed;
    skin->GetSize(horizontal, &width, &height);
    this->position = position;
    this->horizontal = horizontal;
    drag = Idle;
    ComputePosition(&x, &y);

    window = CreateShapedPopup(module, owner, WS_EX_TOOLWINDOW, SS_NOTIFY, x, y, width, height, shape, this,
                               IndicatorWindowProc, &previous);
    shape = NULL;   // the window's now, or gone with the attempt
    if (!window)
        goto failed;

    Update(percent, state, minutes, tipText);
    ShowWindow(window, SW_SHOWNA);
    return TRUE;

failed:
    error = GetLastError();
    if (shape) {
        DeleteObject(shape);
        shape = NULL;
    }
    skin->Release();
    delete skin;
    skin = NULL;
    SetLastError(error);
    return FALSE;
}

BOOL IndicatorWindow::Update(UINT percent, PowerState state, UINT minutes, const char *tipText)
{
    if (!window) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    this->percent = percent;
    this->state = state;
    this->minutes = minutes;
    if (!tipText)
        tipText = "";
    char shown[TooltipTextSize];
    // The tip is never changed in place: a new text takes a new tooltip.
    if (!tooltip || lstrcmpA(tooltip->GetText(shown, sizeof shown), tipText) != 0) {
        if (tooltip) {
            tooltip->Destroy();
            delete tooltip;
        }
        tooltip = new (std::nothrow) Tooltip;
        if (tooltip && !tooltip->Create(module, window, tipText)) {
            delete tooltip;
            tooltip = NULL;
        }
    }
    InvalidateRect(window, NULL, FALSE);
    return TRUE;
}

void IndicatorWindow::Destroy()
{
    if (window)
        DestroyWindow(window);
    window = NULL;
}

void IndicatorWindow::ComputePosition(int *x, int *y) const
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT place;
    switch (position) {
    case PositionTopRight:    SetRect(&place, screenWidth, 0, 0, 0); break;
    case PositionTopLeft:     SetRect(&place, 0, 0, 0, 0); break;
    case PositionBottomRight: SetRect(&place, screenWidth, screenHeight, 0, 0); break;
    case PositionBottomLeft:  SetRect(&place, 0, screenHeight, 0, 0); break;
    default: {
        // Stored as DWORDs, meant as signed screen coordinates.
        DWORD storedX = (DWORD)screenWidth, storedY = 0;
        AccessSetting(FALSE, SettingIndicatorX, &storedX);
        AccessSetting(FALSE, SettingIndicatorY, &storedY);
        SetRect(&place, (LONG)storedX, (LONG)storedY, 0, 0);
        break;
    }
    }
    place.right = place.left + width;
    place.bottom = place.top + height;
    RECT area;
    GetWorkArea(&area);
    ClampRectToArea(&place, &area);
    *x = place.left;
    *y = place.top;
}

void IndicatorWindow::MoveTo(int x, int y)
{
    SetWindowPos(window, NULL, x, y, 0, 0, MoveFlags);
}

void IndicatorWindow::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc && skin)
        skin->Draw(dc, horizontal, percent, state, minutes, NULL, NULL);
    EndPaint(window, &paint);
}

void IndicatorWindow::OnDestroy()
{
    ShowWindow(window, SW_HIDE);
    if (skin) {
        skin->Release();
        delete skin;
        skin = NULL;
    }
    if (tooltip) {
        tooltip->Destroy();
        delete tooltip;
        tooltip = NULL;
    }
    drag = Idle;
    // Gone also when the owner's destruction took the indicator with it.
    window = NULL;
}

void IndicatorWindow::OnButtonDown(LPARAM lParam)
{
    if (drag != Idle)
        return;
    drag = Pressed;
    SetCapture(window);
    pressWindow = PointFrom(lParam);
    pressScreen = pressWindow;
    ClientToScreen(window, &pressScreen);
}

void IndicatorWindow::OnMouseMove(LPARAM lParam)
{
    if (drag == Idle)
        return;
    POINT point = PointFrom(lParam);
    ClientToScreen(window, &point);
    if (drag == Pressed) {
        // Small jitter of a click does not move the indicator.
        if (abs(point.x - pressScreen.x) <= GetSystemMetrics(SM_CXDRAG)
                && abs(point.y - pressScreen.y) <= GetSystemMetrics(SM_CYDRAG))
            return;
        drag = Dragging;
    }
    // The grabbed pixel stays under the cursor, as far as the work area allows.
    RECT place = { point.x - pressWindow.x, point.y - pressWindow.y, 0, 0 };
    place.right = place.left + width;
    place.bottom = place.top + height;
    RECT area;
    GetWorkArea(&area);
    ClampRectToArea(&place, &area);
    MoveTo(place.left, place.top);
}

void IndicatorWindow::OnButtonUp()
{
    DragState was = drag;
    drag = Idle;
    ReleaseCapture();
    // Only the end of a real drag stores a position; a click leaves the stored one alone.
    RECT place;
    if (was == Dragging && GetWindowRect(window, &place)) {
        DWORD x = (DWORD)place.left, y = (DWORD)place.top;
        AccessSetting(TRUE, SettingIndicatorX, &x);
        AccessSetting(TRUE, SettingIndicatorY, &y);
    }
}

LRESULT CALLBACK IndicatorWindow::IndicatorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    IndicatorWindow *self = (IndicatorWindow *)ShapedPopupObject(hwnd);
    if (!self)
        return ShapedPopupDefault(NULL, hwnd, message, wParam, lParam);
    if (self->tooltip)
        self->tooltip->RelayEvent(hwnd, message, wParam, lParam);

    switch (message) {
    case WM_PAINT:
        self->OnPaint();
        return 0;
    case WM_DESTROY:
        self->OnDestroy();
        return 0;
    case WM_ACTIVATE:
        // Another window took over in the middle of a press or drag: end it as a release would.
        if (LOWORD(wParam) == WA_INACTIVE && self->drag != Idle)
            PostMessageA(hwnd, WM_LBUTTONUP, 0, 0);
        return 0;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE: {
        int x, y;
        self->ComputePosition(&x, &y);
        self->MoveTo(x, y);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (self->FreePosition())
            self->OnButtonDown(lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (self->FreePosition())
            self->OnMouseMove(lParam);
        return 0;
    case WM_LBUTTONUP:
        if (self->FreePosition())
            self->OnButtonUp();
        return 0;
    case WM_LBUTTONDBLCLK:
        PostMessageA(self->owner, WM_COMMAND, IDM_PROPERTIES, 0);
        return 0;
    }
    return ShapedPopupDefault(self->previous, hwnd, message, wParam, lParam);
}
