// The tooltip object with the real common-controls tooltip: what it relays, its text, refusals.
#include <gtest/gtest.h>
#include <vector>

#include "gfx/Tooltip.h"

#include <commctrl.h>

namespace {

// The messages the tooltip window was asked to relay, recorded by a procedure put in front of it.
std::vector<UINT> relayed;
WNDPROC tooltipProcedure;

LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TTM_RELAYEVENT)
        relayed.push_back(((const MSG *)lParam)->message);
    return CallWindowProcA(tooltipProcedure, window, message, wParam, lParam);
}

TEST(Tooltip, RelaysOnlyTheMouseMessagesAndKeepsItsText)
{
    Tooltip tip;
    char text[TooltipTextSize] = "x";
    // Nothing to relay to or destroy yet.
    tip.RelayEvent(NULL, WM_MOUSEMOVE, 0, 0);
    tip.Destroy();
    EXPECT_STREQ("", tip.GetText(text, sizeof text));

    HWND tool = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 20, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(tool != NULL);
    ASSERT_TRUE(tip.Create(GetModuleHandleA(NULL), tool, "Battery in use:57% battery remaining"));
    HWND window = tip.Window();
    SetLastError(0);
    EXPECT_FALSE(tip.Create(GetModuleHandleA(NULL), tool, "other"));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_EQ(window, tip.Window());

    // The tool is registered with the text, over the whole tool window.
    TOOLINFOA info;
    ZeroMemory(&info, sizeof info);
    char shown[TooltipTextSize] = "";
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.lpszText = shown;
    ASSERT_TRUE(SendMessageA(window, TTM_ENUMTOOLSA, 0, (LPARAM)&info));
    EXPECT_STREQ("Battery in use:57% battery remaining", shown);
    EXPECT_EQ(tool, info.hwnd);
    EXPECT_TRUE(info.rect.left == 0 && info.rect.top == 0 && info.rect.right == 10000 && info.rect.bottom == 10000);

    tooltipProcedure = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)Recorder);
    for (UINT message : { (UINT)WM_NCMOUSEMOVE, (UINT)WM_PAINT, (UINT)WM_TIMER, 0x01FFu, 0x0200u, 0x0201u,
                          0x0205u, 0x0209u, 0x020Au, 0x020Bu, (UINT)WM_KEYDOWN })
        tip.RelayEvent(tool, message, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(std::vector<UINT>({ 0x0200, 0x0201, 0x0205, 0x0209 }), relayed);
    SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)tooltipProcedure);

    EXPECT_STREQ("Battery in use:57% battery remaining", tip.GetText(text, sizeof text));
    EXPECT_STREQ("Batt", tip.GetText(text, 5));
    text[0] = 'x';
    EXPECT_STREQ("", tip.GetText(text, 1));

    tip.Destroy();
    EXPECT_TRUE(tip.Window() == NULL);
    EXPECT_FALSE(IsWindow(window));
    DestroyWindow(tool);
}

} // namespace
