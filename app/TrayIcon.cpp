#include "app/TrayIcon.h"
#include "gfx/Text.h"

TrayIcon::TrayIcon()
    : added(FALSE), filled(FALSE)
{
    ZeroMemory(&iconData, sizeof iconData);
}

TrayIcon::~TrayIcon()
{
    if (added)
        Remove();
}

BOOL TrayIcon::Add(HWND window, UINT callbackMessage, UINT id, HICON icon, const char *tip)
{
    if (added) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    ZeroMemory(&iconData, sizeof iconData);
    iconData.cbSize = TrayRecordSize;
    iconData.hWnd = window;
    iconData.uID = id;
    iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    iconData.uCallbackMessage = callbackMessage;
    iconData.hIcon = icon;
    CopyText(iconData.szTip, TrayTipSize, tip ? tip : "");
    filled = TRUE;
    if (!Shell_NotifyIconA(NIM_ADD, &iconData))
        return FALSE;
    added = TRUE;
    return TRUE;
}

BOOL TrayIcon::Modify(HICON icon, const char *tip)
{
    if (!filled) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    // Kept even while the icon is not in the area (the taskbar did not exist yet when Add ran), so
    // that Readd shows the latest picture and tip rather than the first.
    char newTip[TrayTipSize];
    CopyText(newTip, TrayTipSize, tip ? tip : iconData.szTip);
    const BOOL unchanged = icon == iconData.hIcon && lstrcmpA(newTip, iconData.szTip) == 0;
    iconData.hIcon = icon;
    CopyText(iconData.szTip, TrayTipSize, newTip);
    if (!added) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    // The shell shows this picture and tip already: asking again would only make it redraw.
    if (unchanged)
        return TRUE;
    // The shell keeps its own copy of all three; each change sends them all.
    iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    return Shell_NotifyIconA(NIM_MODIFY, &iconData);
}

BOOL TrayIcon::Remove()
{
    if (!added) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    Shell_NotifyIconA(NIM_DELETE, &iconData);
    added = FALSE;
    filled = FALSE;
    return TRUE;
}

BOOL TrayIcon::Readd()
{
    if (!filled) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (!Shell_NotifyIconA(NIM_ADD, &iconData))
        return FALSE;
    added = TRUE;
    return TRUE;
}
