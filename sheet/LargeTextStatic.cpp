#include "sheet/LargeTextStatic.h"

#include "gfx/MemoryDc.h"

UINT LargeTextFlags(DWORD style)
{
    UINT flags = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:         return flags | DT_CENTER | DT_WORDBREAK;
    case SS_RIGHT:          return flags | DT_RIGHT | DT_WORDBREAK;
    case SS_LEFTNOWORDWRAP: return flags | DT_LEFT;
    default:                return flags | DT_LEFT | DT_WORDBREAK;
    }
}

void DoubleFontSize(LOGFONTA *font)
{
    font->lfHeight *= 2;
    font->lfWidth *= 2;
}

// Composes the control off screen: the page's own background, as the control would have been
// erased with, and the text in its font at twice the size; then copies it to dc at once.
static void PaintLarge(HWND control, HDC dc, RECT client)
{
    MemoryDc canvas(dc, client.right, client.bottom);
    HDC memory = canvas.Dc();
    if (!memory)
        return;
    HBRUSH background = (HBRUSH)SendMessageA(GetParent(control), WM_CTLCOLORSTATIC, (WPARAM)dc,
                                             (LPARAM)control);
    FillRect(memory, &client, background ? background : GetSysColorBrush(COLOR_3DFACE));

    UINT flags = LargeTextFlags((DWORD)GetWindowLongPtrA(control, GWL_STYLE));
    char text[LargeTextSize + 1];
    int length = GetWindowTextA(control, text, sizeof text);
    LOGFONTA description;
    HFONT controlFont = (HFONT)SendMessageA(control, WM_GETFONT, 0, 0);
    HFONT font = NULL;
    if (GetObjectA(controlFont ? (HGDIOBJ)controlFont : GetStockObject(SYSTEM_FONT), sizeof description,
                   &description)) {
        DoubleFontSize(&description);
        font = CreateFontIndirectA(&description);
    }
    if (font) {
        SelectedObject selection(memory, font);
        int oldMode = SetBkMode(memory, TRANSPARENT);
        DrawTextA(memory, text, length, &client, flags);
        SetBkMode(memory, oldMode);
        selection.Restore();
        DeleteObject(font);
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
}

static void Paint(HWND control)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(control, &paint);
    if (!dc)
        return;
    RECT client;
    GetClientRect(control, &client);
    PaintLarge(control, dc, client);
    EndPaint(control, &paint);
}

static LRESULT CALLBACK LargeTextProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = (WNDPROC)GetWindowLongPtrA(control, GWLP_USERDATA);
    switch (message) {
    case WM_PAINT:
        Paint(control);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // the paint covers the whole control
    }
    return previous ? CallWindowProcA(previous, control, message, wParam, lParam) : 0;
}

BOOL InstallLargeTextStatic(HWND control)
{
    SetLastError(0);
    LONG_PTR previous = GetWindowLongPtrA(control, GWLP_WNDPROC);
    if (!previous && GetLastError())
        return FALSE;
    SetWindowLongPtrA(control, GWLP_USERDATA, previous);
    SetLastError(0);
    if (!SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)LargeTextProc) && GetLastError())
        return FALSE;
    InvalidateRect(control, NULL, FALSE);
    return TRUE;
}
