// GDI for the tests: pictures held in memory contexts (the program's own MemoryDc), and the live
// object counts of the test process for leak tests, found by scanning the handle tables (the
// system's own resource counters are not available). Warm the code up once, take a count, repeat,
// count again.
#ifndef KESTREL_TESTS_GDI_H
#define KESTREL_TESTS_GDI_H

#include <windows.h>

#include "gfx/MemoryDc.h"

// GDI objects of any type: bitmaps, brushes, regions, device contexts, fonts...
UINT CountGdiObjects();
// Icons and cursors.
UINT CountIcons();
// Menus, popups included.
UINT CountMenus();

#endif
