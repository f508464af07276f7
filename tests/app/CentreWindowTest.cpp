// Centring over the desktop: the arithmetic, and real windows moved by it.
#include <gtest/gtest.h>

#include "app/CentreWindow.h"

namespace {

RECT Rect(LONG l, LONG t, LONG r, LONG b) { RECT x = { l, t, r, b }; return x; }

::testing::AssertionResult SameRect(const RECT &expected, const RECT &actual)
{
    if (EqualRect(&expected, &actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << "," << actual.top << ","
        << actual.right << "," << actual.bottom << ") instead of (" << expected.left << ","
        << expected.top << "," << expected.right << "," << expected.bottom << ")";
}

TEST(CentreWindow, CentredRectKeepsTheWindowOnTheDesktop)
{
    const RECT desktop = Rect(0, 0, 1024, 768);
    // Centred, halves rounded toward zero.
    EXPECT_TRUE(SameRect(Rect(411, 334, 612, 434), CentredRect(desktop, Rect(0, 0, 201, 100), &desktop)));
    // A reference partly off screen: pulled back over the right and bottom edges, then top and left.
    EXPECT_TRUE(SameRect(Rect(824, 668, 1024, 768),
                         CentredRect(Rect(900, 700, 1100, 900), Rect(0, 0, 200, 100), &desktop)));
    EXPECT_TRUE(SameRect(Rect(0, 0, 200, 100),
                         CentredRect(Rect(-300, -300, -100, -100), Rect(0, 0, 200, 100), &desktop)));
    // Larger than the desktop: the top-left corner goes to the desktop's.
    RECT big = CentredRect(desktop, Rect(0, 0, 1500, 1000), &desktop);
    EXPECT_EQ(0, big.left);
    EXPECT_EQ(0, big.top);
    // Without the desktop rule a wider window than its reference starts left of it: (100 - 151) / 2.
    EXPECT_TRUE(SameRect(Rect(-25, 0, 126, 10),
                         CentredRect(Rect(0, 0, 100, 10), Rect(5, 5, 156, 15), NULL)));
}

HWND MakePopup(int width, int height)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, 3, 4, width, height, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

TEST(CentreWindow, MovesRealWindowsWithoutResizingThem)
{
    RECT desktop;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));

    HWND small = MakePopup(300, 200);
    ASSERT_TRUE(small != NULL);
    ASSERT_TRUE(CentreWindow(GetDesktopWindow(), small, TRUE));
    RECT r;
    GetWindowRect(small, &r);
    EXPECT_EQ(300, r.right - r.left);
    EXPECT_EQ(200, r.bottom - r.top);
    EXPECT_EQ(desktop.left + (desktop.right - desktop.left - 300) / 2, r.left);
    EXPECT_EQ(desktop.top + (desktop.bottom - desktop.top - 200) / 2, r.top);

    HWND big = MakePopup(desktop.right - desktop.left + 400, desktop.bottom - desktop.top + 300);
    ASSERT_TRUE(big != NULL);
    ASSERT_TRUE(CentreWindow(GetDesktopWindow(), big, TRUE));
    GetWindowRect(big, &r);
    EXPECT_EQ(desktop.left, r.left);
    EXPECT_EQ(desktop.top, r.top);

    // A reference that is no window cannot be read: nothing moves.
    HWND gone = MakePopup(10, 10);
    DestroyWindow(gone);
    EXPECT_FALSE(CentreWindow(gone, small, TRUE));
    DestroyWindow(small);
    DestroyWindow(big);
}

} // namespace
