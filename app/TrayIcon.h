// TrayIcon: the program's one notification-area icon, its picture and its tooltip.
// Owned by the main window: Add once at creation, Modify on every refresh and blink, Readd when the
// notification area is re-created, Remove (or destroy, which removes) when the window goes.
#ifndef KESTREL_TRAYICON_H
#define KESTREL_TRAYICON_H

#include <windows.h>
#include <shellapi.h>

// The record of the first shell version: owner, id, flags, message, icon and a 64-byte tooltip;
// 88 bytes in the 32-bit program, more where handles are 64 bits wide.
const DWORD TrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
const UINT TrayTipSize = 64;

class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon();

    // Fills the record (a null tip gives an empty tooltip) and adds the icon. Refuses with
    // ERROR_ALREADY_EXISTS when the icon is already added.
    BOOL Add(HWND window, UINT callbackMessage, UINT id, HICON icon, const char *tip);
    // Sends a new picture and, when tip is given, a new tooltip; sends nothing when both are what
    // the shell shows already. Both are kept for Readd even when the icon is not in the area,
    // which then fails with ERROR_NOT_READY (as before any Add).
    BOOL Modify(HICON icon, const char *tip);
    // Takes the icon out of the notification area. ERROR_NOT_READY when not added.
    BOOL Remove();
    // Adds the icon again with its current picture and tooltip, after the notification area was
    // re-created (the old one took its icons with it). ERROR_NOT_READY when Add was never called.
    BOOL Readd();

    BOOL Added() const { return added; }
    HICON Icon() const { return iconData.hIcon; }
    const char *Tip() const { return iconData.szTip; }

private:
    BOOL added;
    BOOL filled;   // the record holds what Add was given, whether or not the shell took it
    NOTIFYICONDATAA iconData;
};

#endif
