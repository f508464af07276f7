// Centring over a reference rectangle and keeping the result on the desktop. Real windows moved by
// it are seen in the scenarios (the notice and the settings sheet).
#include <gtest/gtest.h>

#include "app/CentreWindow.h"

namespace {

TEST(CentreWindow, CentredRectKeepsTheWindowOnTheDesktop)
{
    const RECT desktop = { 0, 0, 1024, 768 };
    const struct { RECT reference, window; const RECT *bounds; RECT expected; } cases[] = {
        { desktop, { 0, 0, 201, 100 }, &desktop, { 411, 334, 612, 434 } },   // halves rounded toward zero
        // Partly off screen: pulled back over the right and bottom edges, then the top and left.
        { { 900, 700, 1100, 900 }, { 0, 0, 200, 100 }, &desktop, { 824, 668, 1024, 768 } },
        { { -300, -300, -100, -100 }, { 0, 0, 200, 100 }, &desktop, { 0, 0, 200, 100 } },
        { desktop, { 0, 0, 1500, 1000 }, &desktop, { 0, 0, 1500, 1000 } },   // larger: the top-left corner
        // Without the desktop a wider window than its reference starts left of it: (100 - 151) / 2.
        { { 0, 0, 100, 10 }, { 5, 5, 156, 15 }, NULL, { -25, 0, 126, 10 } },
    };
    for (const auto &c : cases) {
        RECT r = CentredRect(c.reference, c.window, c.bounds);
        EXPECT_TRUE(EqualRect(&r, &c.expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

} // namespace
