// GDI for the tests: pictures held in memory contexts, and the live object counts of the test
// process for leak tests, found by scanning the handle tables (the system's own resource counters
// are not available). Warm the code up once, take a count, repeat, count again.
#ifndef KESTREL_TESTS_GDI_H
#define KESTREL_TESTS_GDI_H

#include <windows.h>

// A memory context holding a new screen-compatible bitmap of the given size, or a bitmap of the
// caller's; at the end the bitmap is deselected and, when it was made here, deleted.
class MemoryPicture {
public:
    MemoryPicture(int width, int height) : dc(CreateCompatibleDC(NULL))
    {
        HDC screen = GetDC(NULL);
        owned = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(NULL, screen);
        old = SelectObject(dc, owned);
    }
    explicit MemoryPicture(HGDIOBJ borrowed)
        : dc(CreateCompatibleDC(NULL)), owned(NULL), old(SelectObject(dc, borrowed)) {}
    MemoryPicture(const MemoryPicture &) = delete;
    MemoryPicture &operator=(const MemoryPicture &) = delete;
    ~MemoryPicture()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        if (owned)
            DeleteObject(owned);
    }
    HDC dc;
private:
    HBITMAP owned;
    HGDIOBJ old;
};

// GDI objects of any type: bitmaps, brushes, regions, device contexts, fonts...
UINT CountGdiObjects();
// Icons and cursors.
UINT CountIcons();
// Menus, popups included.
UINT CountMenus();

#endif
