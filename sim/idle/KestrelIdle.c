/* sim/idle/KestrelIdle.c — keeps the prefix's virtual desktop open between the programs a test
 * starts (the desktop closes with its last program). Shows nothing; runs until killed or until
 * the named event "KestrelIdleQuit" is set, which ends every running copy. */
#include <windows.h>

#define QUIT_EVENT   "KestrelIdleQuit"
#define WINDOW_CLASS "KestrelSimIdle"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    WNDCLASSA wc;
    HANDLE quit;
    HWND window;
    MSG msg;

    (void)previous; (void)commandLine; (void)show;
    quit = CreateEventA(NULL, TRUE, FALSE, QUIT_EVENT);
    if (!quit)
        return 1;
    /* A hidden window attaches the process to the desktop and keeps it there. */
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = WINDOW_CLASS;
    RegisterClassA(&wc);
    window = CreateWindowExA(WS_EX_TOOLWINDOW, WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                             instance, NULL);
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                goto done;
            DispatchMessageA(&msg);
        }
    }
done:
    if (window)
        DestroyWindow(window);
    CloseHandle(quit);
    return 0;
}
