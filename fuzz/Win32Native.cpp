// Native stand-ins for the Win32 calls of the fuzzed code (see include/windows.h).
#include <windows.h>

#include <stdlib.h>

void SetLastError(DWORD) {}

int lstrlenA(LPCSTR text) { return text ? (int)strlen(text) : 0; }

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int size)
{
    if (size <= 0)
        return destination;
    int i = 0;
    for (; i < size - 1 && source[i]; i++)
        destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, 1025, format, args);   // wsprintfA's own limit
    va_end(args);
    return n > 1024 ? 1024 : n;
}

LPSTR GetCommandLineA(void)
{
    static char line[] = "Kestrel.exe";
    return line;
}

int lstrcmpA(LPCSTR a, LPCSTR b) { return strcmp(a, b); }

// The fuzzed parsers are handed their text directly: no profile file is ever found.
DWORD GetPrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR defaultValue, LPSTR buffer, DWORD size, LPCSTR)
{
    lstrcpynA(buffer, defaultValue ? defaultValue : "", (int)size);
    return size ? (DWORD)strlen(buffer) : 0;
}

UINT GetPrivateProfileIntA(LPCSTR, LPCSTR, int defaultValue, LPCSTR) { return (UINT)defaultValue; }

HANDLE LoadImageA(HINSTANCE, LPCSTR, UINT, int, int, UINT) { return NULL; }

HANDLE CreateFileA(LPCSTR, DWORD, DWORD, void *, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
DWORD GetFileSize(HANDLE, DWORD *) { return INVALID_FILE_SIZE; }
BOOL ReadFile(HANDLE, void *, DWORD, DWORD *, void *) { return FALSE; }
BOOL CloseHandle(HANDLE) { return FALSE; }
