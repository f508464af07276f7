#include "osd/BrightnessOsd.h"

#include <new>

#include "gfx/ShapedPopup.h"
#include "res/resource.h"

const UINT GaugeTextSize = 128;
// Every move keeps the popup's place in the z-order and never activates it: a move without
// SWP_NOACTIVATE makes even the hidden, disabled popup the foreground window.
const UINT MoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING;
const UINT PlaceFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING;

GaugeStyle DisplayGaugeStyle(UINT levelCount)
{
    GaugeStyle style;
    ZeroMemory(&style, sizeof style);
    style.levelCount = levelCount;
    style.heightDivisor = 8;
    style.weight = FW_BOLD;
    style.face = "Arial";
    style.shadowOn = TRUE;
    style.extruded = TRUE;
    style.dx = 3;
    style.dy = 3;
    style.outlineOn = TRUE;
    style.outlineWidth = 1;
    style.colour = RGB(0, 255, 0);
    style.shadowColour = RGB(0, 0, 0);
    return style;
}

BrightnessOsd::BrightnessOsd() : instance(NULL), window(NULL), previous(NULL), gauge(NULL)
{
}

BOOL BrightnessOsd::Create(HINSTANCE moduleInstance, HWND owner, const GaugeStyle &style)
{
    if (window) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (style.levelCount < 2 || style.heightDivisor < 3) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    instance = moduleInstance;
    char minLabel[GaugeTextSize] = "", maxLabel[GaugeTextSize] = "", title[GaugeTextSize] = "";
    LoadStringA(instance, IDS_GAUGE_MIN, minLabel, sizeof minLabel);
    LoadStringA(instance, IDS_GAUGE_MAX, maxLabel, sizeof maxLabel);
    LoadStringA(instance, IDS_GAUGE_TITLE, title, sizeof title);
    GaugeStyle withTexts = style;
    withTexts.minLabel = minLabel;
    withTexts.maxLabel = maxLabel;
    withTexts.title = title;

    BOOL ok = FALSE;
    UINT width = 0, height = 0;
    int x = 0, y = 0;
    gauge = new (std::nothrow) LevelGauge(instance);
    if (!gauge) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        goto done;
    }
    if (!gauge->Setup(withTexts))
        goto done;
    gauge->GetSize(&width, &height);
    window = CreateShapedPopup(instance, owner, 0, WS_DISABLED, 0, 0, (int)width, (int)height, NULL, this,
                               BrightnessOsdProc, &previous);
    if (!window)
        goto done;
    gauge->GetPosition(&x, &y);
    SetWindowPos(window, NULL, x, y, 0, 0, MoveFlags);
    ShowWindow(window, SW_HIDE);
    ok = TRUE;

done:
    if (!ok) {
        DWORD error = GetLastError();
        DestroyGauge();
        SetLastError(error);
    }
    return ok;
}

BOOL BrightnessOsd::Show(UINT level)
{
    if (!window || !gauge) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (!gauge->SetLevel(window, level))
        return FALSE;
    UINT width, height;
    int x, y;
    gauge->GetSize(&width, &height);
    gauge->GetPosition(&x, &y);
    SetWindowPos(window, NULL, x, y, (int)width, (int)height, PlaceFlags);
    ShowWindow(window, SW_SHOWNA);
    InvalidateRect(window, NULL, FALSE);
    UpdateWindow(window);
    return TRUE;
}

void BrightnessOsd::Destroy()
{
    if (window) {
        DestroyWindow(window);   // its WM_DESTROY lets the gauge go
        window = NULL;
    }
    DestroyGauge();
    previous = NULL;
}

void BrightnessOsd::DestroyGauge()
{
    if (gauge) {
        gauge->Destroy();
        delete gauge;
        gauge = NULL;
    }
}

void BrightnessOsd::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc && gauge)
        gauge->Paint(dc, window);
    EndPaint(window, &paint);
}

// A new screen size or work area: hidden until the next Show, which brings the new shape.
void BrightnessOsd::OnScreenChanged()
{
    if (IsWindowVisible(window))
        ShowWindow(window, SW_HIDE);
    if (!gauge)
        return;
    gauge->Layout();
    UINT width, height;
    int x, y;
    gauge->GetSize(&width, &height);
    gauge->GetPosition(&x, &y);
    SetWindowPos(window, NULL, x, y, (int)width, (int)height, PlaceFlags);
}

LRESULT CALLBACK BrightnessOsd::BrightnessOsdProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    BrightnessOsd *self = (BrightnessOsd *)ShapedPopupObject(hwnd);
    if (!self)
        return ShapedPopupDefault(NULL, hwnd, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        // Also reached when the owner goes first and takes its owned popup with it: the handle is
        // forgotten here so that Destroy never destroys a window that is gone.
        ShowWindow(hwnd, SW_HIDE);
        self->DestroyGauge();
        self->window = NULL;
        return 0;
    case WM_PAINT:
        self->OnPaint();
        return 0;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
        self->OnScreenChanged();
        return 0;
    }
    return ShapedPopupDefault(self->previous, hwnd, message, wParam, lParam);
}
