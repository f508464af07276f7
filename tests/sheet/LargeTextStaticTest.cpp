// The version page's large text control, painted in a window of its own: the text at twice the
// size of a plain static control's, over the background its parent gives, with nothing left behind.
#include <gtest/gtest.h>

#include "common/Gdi.h"
#include "sheet/LargeTextStatic.h"

namespace {

const COLORREF PageColour = RGB(0, 128, 128);
HBRUSH pageBrush;

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLORSTATIC)
        return (LRESULT)pageBrush;
    return DefWindowProcA(window, message, wParam, lParam);
}

// How many rows of the control, from the first to the last, hold black pixels once it is painted.
int InkHeight(HWND control, int width, int height)
{
    RedrawWindow(control, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(control);
    int first = -1, last = -1;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (GetPixel(dc, x, y) == RGB(0, 0, 0)) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    ReleaseDC(control, dc);
    return first < 0 ? 0 : last - first + 1;
}

TEST(LargeTextStatic, PaintsTwiceThePlainTextsHeightOverThePagesBackgroundAndLeavesNothingBehind)
{
    WNDCLASSA pageClass = {};
    pageClass.lpfnWndProc = PageProc;
    pageClass.hInstance = GetModuleHandleA(NULL);
    pageClass.lpszClassName = "KestrelLargeTextTestPage";
    ASSERT_TRUE(RegisterClassA(&pageClass));
    pageBrush = CreateSolidBrush(PageColour);
    const int width = 300, height = 90;
    HWND page = CreateWindowExA(0, pageClass.lpszClassName, "", WS_POPUP, 0, 0, width, 2 * height, NULL, NULL,
                                pageClass.hInstance, NULL);
    ASSERT_TRUE(page != NULL);
    HWND plain = CreateWindowExA(0, "STATIC", "Kestrel", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, width, height,
                                 page, NULL, pageClass.hInstance, NULL);
    HWND large = CreateWindowExA(0, "STATIC", "Kestrel", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, height, width, height,
                                 page, NULL, pageClass.hInstance, NULL);
    ASSERT_TRUE(plain && large && InstallLargeTextStatic(large));
    ShowWindow(page, SW_SHOWNA);

    const int plainInk = InkHeight(plain, width, height), largeInk = InkHeight(large, width, height);
    EXPECT_TRUE(plainInk > 4 && largeInk >= 2 * plainInk - 3 && largeInk <= 2 * plainInk + 3)
        << "plain " << plainInk << " rows, large " << largeInk;
    HDC dc = GetDC(large);
    EXPECT_EQ(PageColour, GetPixel(dc, width - 1, height - 1));
    ReleaseDC(large, dc);

    const UINT before = CountGdiObjects();
    for (int i = 0; i < 20; i++)
        InkHeight(large, width, height);
    EXPECT_EQ(before, CountGdiObjects());
    DestroyWindow(page);
    UnregisterClassA(pageClass.lpszClassName, pageClass.hInstance);
    DeleteObject(pageBrush);
}

} // namespace
