#include "common/Gdi.h"

UINT CountGdiObjects()
{
    UINT count = 0;
    // A handle without its generation bits still names its table entry.
    for (ULONG_PTR i = 1; i < 0x10000; i++) {
        if (GetObjectType((HGDIOBJ)i))
            count++;
    }
    return count;
}

UINT CountIcons()
{
    UINT count = 0;
    for (ULONG_PTR i = 0x20; i <= 0xFFEE; i += 2) {
        ICONINFO info;
        if (GetIconInfo((HICON)i, &info)) {
            count++;
            // The answer comes with fresh copies of the icon's bitmaps.
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
    }
    return count;
}

UINT CountMenus()
{
    UINT count = 0;
    for (ULONG_PTR i = 0x20; i <= 0xFFEE; i += 2) {
        if (IsMenu((HMENU)i))
            count++;
    }
    return count;
}
