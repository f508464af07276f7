#include "gfx/Tooltip.h"

#include <commctrl.h>

#include "gfx/Text.h"

Tooltip::Tooltip() : window(NULL)
{
    text[0] = '\0';
}

BOOL Tooltip::Create(HINSTANCE instance, HWND toolWindow, const char *tipText)
{
    if (window) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    InitCommonControls();
    window = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, NULL, TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    if (!window)
        return FALSE;
    CopyText(text, sizeof text, tipText ? tipText : "");

    // The first version of the record, up to the text (40 bytes in a 32-bit program), which every
    // version of the common controls reads; the tool is a rectangle of the tool window larger than
    // any window, so the whole window shows the tip.
    TOOLINFOA tool;
    ZeroMemory(&tool, sizeof tool);
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = 0;
    tool.hwnd = toolWindow;
    tool.uId = (UINT_PTR)window;
    SetRect(&tool.rect, 0, 0, 10000, 10000);
    tool.hinst = instance;
    tool.lpszText = text;
    SendMessageA(window, TTM_ADDTOOLA, 0, (LPARAM)&tool);
    return TRUE;
}

void Tooltip::RelayEvent(HWND toolWindow, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!window || message < WM_MOUSEMOVE || message > WM_MBUTTONDBLCLK)
        return;
    MSG msg;
    ZeroMemory(&msg, sizeof msg);
    msg.hwnd = toolWindow;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendMessageA(window, TTM_RELAYEVENT, 0, (LPARAM)&msg);
}

char *Tooltip::GetText(char *destination, UINT size) const
{
    CopyText(destination, size, text);
    return destination;
}

void Tooltip::Destroy()
{
    if (window) {
        DestroyWindow(window);
        window = NULL;
    }
}
