// The window every shaped popup is built on: made topmost, shaped and with its object attached, or
// not at all; answering as every popup does; and a plain STATIC once no object is attached.
#include <gtest/gtest.h>

#include "gfx/ShapedPopup.h"

namespace {

struct Probe {
    WNDPROC previous;
    UINT paints;
};

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Probe *self = (Probe *)ShapedPopupObject(hwnd);
    if (!self)
        return ShapedPopupDefault(NULL, hwnd, message, wParam, lParam);
    if (message == WM_PAINT)
        self->paints++;
    return ShapedPopupDefault(self->previous, hwnd, message, wParam, lParam);
}

TEST(ShapedPopup, AnswersAsEveryPopupAndAsAStaticWithoutItsObject)
{
    Probe probe = { NULL, 0 };
    HRGN shape = CreateRectRgn(0, 0, 5, 4);
    HWND window = CreateShapedPopup(GetModuleHandleA(NULL), NULL, WS_EX_TOOLWINDOW, 0, 10, 10, 20, 20, shape,
                                    &probe, ProbeProc, &probe.previous);
    ASSERT_TRUE(window);
    EXPECT_TRUE(probe.previous);
    EXPECT_EQ(WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
              (DWORD)GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_POPUP);
    RECT box;
    EXPECT_EQ(SIMPLEREGION, GetWindowRgnBox(window, &box));
    EXPECT_EQ(5, box.right);
    EXPECT_EQ(4, box.bottom);

    HDC dc = GetDC(window);
    EXPECT_EQ(1, SendMessageA(window, WM_ERASEBKGND, (WPARAM)dc, 0));   // nothing erased
    ReleaseDC(window, dc);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));   // only the owner removes a popup

    // Detached, the STATIC's own procedure validates the paint: no endless stream of WM_PAINT.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    InvalidateRect(window, NULL, FALSE);
    UpdateWindow(window);
    EXPECT_FALSE(GetUpdateRect(window, NULL, FALSE));
    EXPECT_EQ(0u, probe.paints);
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(ShapedPopup, AFailedCreationLeavesNothingAndItsCause)
{
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(gone);
    DestroyWindow(gone);
    HRGN shape = CreateRectRgn(0, 0, 5, 5);
    Probe probe = { NULL, 0 };
    EXPECT_FALSE(CreateShapedPopup(GetModuleHandleA(NULL), gone, 0, 0, 0, 0, 5, 5, shape, &probe, ProbeProc,
                                   &probe.previous));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_EQ(0u, (UINT)GetObjectType(shape));   // the shape went with the attempt
    EXPECT_FALSE(probe.previous);
}

} // namespace
