/* The floor for Kestrel's start-up: the least a resident Win32 program does. A class, a hidden
 * window and a message loop; WM_CLOSE ends it. */
#include <windows.h>

static LRESULT CALLBACK EmptyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    WNDCLASSA wc;
    MSG msg;

    (void)previous; (void)commandLine; (void)show;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = EmptyProc;
    wc.hInstance = instance;
    wc.lpszClassName = "KestrelBenchEmpty";
    if (!RegisterClassA(&wc))
        return 1;
    if (!CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 0, 0, NULL, NULL, instance, NULL))
        return 1;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
