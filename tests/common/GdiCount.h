// Live object counts of the test process, for leak tests: scan the handle tables (the system's own
// resource counters are not available). Warm the code up once, take a count, repeat, count again.
#ifndef KESTREL_GDICOUNT_H
#define KESTREL_GDICOUNT_H

#include <windows.h>

// GDI objects of any type: bitmaps, brushes, regions, device contexts, fonts...
UINT CountGdiObjects();
// Icons and cursors.
UINT CountIcons();
// Menus, popups included.
UINT CountMenus();

#endif
