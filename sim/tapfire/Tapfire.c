/* sim/tapfire/Tapfire.c — stands in for the sibling program the installation launches at start.
 * It appends its command line to "tapfire.log" beside its executable, so that a test can see
 * that, and how, it was launched; then it stays as a hidden window of class "KestrelSimTapfire"
 * until that window is closed or two minutes pass. */
#include <windows.h>

#define LOG_NAME        "tapfire.log"
#define WINDOW_CLASS    "KestrelSimTapfire"
#define LIFETIME_TIMER  1
#define LIFETIME_MS     120000
#define PATH_SIZE       MAX_PATH

static BOOL LogPath(char *path, DWORD size)
{
    DWORD length = GetModuleFileNameA(NULL, path, size);
    char *slash;
    if (length == 0 || length >= size)
        return FALSE;
    slash = strrchr(path, '\\');
    if (!slash)
        return FALSE;
    slash[1] = '\0';
    if ((DWORD)(slash + 1 - path) + sizeof(LOG_NAME) > size)
        return FALSE;
    lstrcpynA(slash + 1, LOG_NAME, (int)(size - (DWORD)(slash + 1 - path)));
    return TRUE;
}

/* One write of the whole line, appended, so that two copies started together never mix lines. */
static void AppendCommandLine(void)
{
    char path[PATH_SIZE];
    const char *line = GetCommandLineA();
    HANDLE file;
    DWORD written;
    int attempt;

    if (!LogPath(path, sizeof(path)))
        return;
    for (attempt = 0; attempt < 50; attempt++) {
        file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            break;
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            return;
        Sleep(20);
    }
    if (file == INVALID_HANDLE_VALUE)
        return;
    {
        DWORD length = (DWORD)lstrlenA(line);
        char *buffer = (char *)HeapAlloc(GetProcessHeap(), 0, length + 2);
        if (buffer) {
            CopyMemory(buffer, line, length);
            buffer[length] = '\r';
            buffer[length + 1] = '\n';
            WriteFile(file, buffer, length + 2, &written, NULL);
            HeapFree(GetProcessHeap(), 0, buffer);
        }
    }
    CloseHandle(file);
}

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:   if (wp == LIFETIME_TIMER) DestroyWindow(hwnd); return 0;
    case WM_CLOSE:   DestroyWindow(hwnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    WNDCLASSA wc;
    HWND window;
    MSG msg;

    (void)previous; (void)commandLine; (void)show;
    AppendCommandLine();

    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassA(&wc))
        return 1;
    /* Never shown: a top-level popup that only exists to be found and closed. */
    window = CreateWindowExA(WS_EX_TOOLWINDOW, WINDOW_CLASS, "Tapfire", WS_POPUP, 0, 0, 0, 0, NULL,
                             NULL, instance, NULL);
    if (!window)
        return 1;
    SetTimer(window, LIFETIME_TIMER, LIFETIME_MS, NULL);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
