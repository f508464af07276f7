// The few Win32 names that Kestrel's text-reading code uses, for a native build of that code under
// the fuzzers. Only what that code needs, with the platform's documented behaviour: lstrcpynA copies
// at most n - 1 characters and always terminates, wsprintfA writes at most 1024 characters.
#ifndef KESTREL_FUZZ_WINDOWS_H
#define KESTREL_FUZZ_WINDOWS_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef DWORD COLORREF;
typedef intptr_t LONG_PTR, INT_PTR;
typedef void *HANDLE, *HINSTANCE, *HMODULE, *HWND, *HICON, *HBITMAP, *HRGN, *HDC, *HMENU, *HGDIOBJ;
typedef const char *LPCSTR;
typedef char *LPSTR;

#define TRUE 1
#define FALSE 0
#define ERROR_INVALID_PARAMETER 87L
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))

typedef struct tagRECT { LONG left, top, right, bottom; } RECT;

void SetLastError(DWORD error);
int lstrlenA(LPCSTR text);
LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int size);
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
LPSTR GetCommandLineA(void);
int lstrcmpA(LPCSTR a, LPCSTR b);

// Private profiles and files: the fuzzed code never finds one to open.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR path);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR path);
#define IMAGE_BITMAP 0
#define LR_LOADFROMFILE 0x10
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
typedef int64_t LONGLONG;
#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define GENERIC_READ 0x80000000
#define FILE_SHARE_READ 1
#define OPEN_EXISTING 3
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, void *security, DWORD creation, DWORD flags,
                   HANDLE pattern);
DWORD GetFileSize(HANDLE file, DWORD *high);
BOOL ReadFile(HANDLE file, void *buffer, DWORD size, DWORD *read, void *overlapped);
BOOL CloseHandle(HANDLE handle);

#endif
