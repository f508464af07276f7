#include "gfx/MemoryDc.h"

#include "gfx/KeepError.h"

BOOL SelectedObject::Select(HDC into, HGDIOBJ object)
{
    Restore();
    HGDIOBJ was = into && object ? SelectObject(into, object) : NULL;
    if (!was || was == HGDI_ERROR)
        return FALSE;
    dc = into;
    previous = was;
    return TRUE;
}

void SelectedObject::Restore()
{
    if (previous)
        KeepErrorSelectObject(dc, previous);
    previous = NULL;
}

MemoryDc::MemoryDc(HDC like, int width, int height)
    : dc(CreateCompatibleDC(like)), bitmap(NULL), owned(TRUE)
{
    // A fresh memory context holds a 1 x 1 monochrome bitmap: the new one takes the format of like.
    HDC format = like ? like : GetDC(NULL);
    if (dc && format)
        bitmap = CreateCompatibleBitmap(format, width, height);
    if (format && !like)
        KeepErrorReleaseDC(NULL, format);
    selection.Select(dc, bitmap);
}

MemoryDc::MemoryDc(HDC like, HBITMAP bitmap, BOOL owned)
    : dc(bitmap ? CreateCompatibleDC(like) : NULL), bitmap(bitmap), owned(owned)
{
    selection.Select(dc, bitmap);
}

MemoryDc::~MemoryDc()
{
    selection.Restore();
    if (owned && bitmap)
        KeepErrorDeleteObject(bitmap);
    if (dc)
        KeepErrorDeleteDC(dc);
}
