// Clean-up calls that leave the thread's last-error code as they found it, so that a caller of a
// failed drawing routine reads the cause of the first failure and never that of the clean-up.
#ifndef KESTREL_KEEPERROR_H
#define KESTREL_KEEPERROR_H

#include <windows.h>

inline void KeepErrorDeleteObject(HGDIOBJ object)
{
    DWORD error = GetLastError();
    DeleteObject(object);
    SetLastError(error);
}

inline void KeepErrorDeleteDC(HDC dc)
{
    DWORD error = GetLastError();
    DeleteDC(dc);
    SetLastError(error);
}

inline void KeepErrorSelectObject(HDC dc, HGDIOBJ object)
{
    DWORD error = GetLastError();
    SelectObject(dc, object);
    SetLastError(error);
}

inline void KeepErrorReleaseDC(HWND window, HDC dc)
{
    DWORD error = GetLastError();
    ReleaseDC(window, dc);
    SetLastError(error);
}

#endif
