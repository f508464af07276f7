// The splash picture chosen for the display. Where the splash shows, its shape on screen, its three
// seconds and that it leaves the foreground alone the start-up scenario sees; that it is removed
// at the main window's next tick, or with the window, the main window's test in the soak's harness.
#include <gtest/gtest.h>

#include "gfx/SplashWindow.h"

namespace {

TEST(SplashPictureId, HighColourFrom16BitsUnlessItsIdIsZero)
{
    const struct { int depth; UINT high; UINT expected; } cases[] = {
        { 8, 113, 112 }, { 15, 113, 112 }, { 16, 113, 113 }, { 32, 113, 113 },
        { 32, 0, 112 }, { 32, 0x10000, 112 },   // only the low 16 bits name the bitmap
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, SplashPictureId(c.depth, 112, c.high)) << c.depth << " bits, high id " << c.high;
}

} // namespace
