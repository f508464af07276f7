// MemoryDc and SelectedObject: a memory device context with its bitmap, and an object selected into
// a context, each held for one scope. Made in the constructor, undone in reverse order at scope
// end, with the thread's last-error code kept, so a failed drawing routine reports its own cause.
// Local variables only: no copies, nothing on the heap.
#ifndef KESTREL_MEMORYDC_H
#define KESTREL_MEMORYDC_H

#include <windows.h>

// An object selected into a context until Restore or the end of the scope puts the previous one back.
class SelectedObject {
public:
    SelectedObject() : dc(NULL), previous(NULL) {}
    SelectedObject(HDC dc, HGDIOBJ object) : dc(NULL), previous(NULL) { Select(dc, object); }
    ~SelectedObject() { Restore(); }
    // Selects object into dc; FALSE when either is missing or the context refuses it.
    BOOL Select(HDC dc, HGDIOBJ object);
    void Restore();
    BOOL Selected() const { return previous != NULL; }

private:
    SelectedObject(const SelectedObject &);
    SelectedObject &operator=(const SelectedObject &);

    HDC dc;
    HGDIOBJ previous;
};

// A memory context compatible with like (the screen for NULL) with a bitmap selected into it: a new
// one of width x height compatible with like, or the caller's, deleted at the end when owned is
// TRUE (NULL, a bitmap the caller failed to make, makes no context).
class MemoryDc {
public:
    MemoryDc(HDC like, int width, int height);
    MemoryDc(HDC like, HBITMAP bitmap, BOOL owned = FALSE);
    ~MemoryDc();
    // The context once everything is made and selected, else NULL with the first failure's code.
    HDC Dc() const { return selection.Selected() ? dc : NULL; }
    HBITMAP Bitmap() const { return bitmap; }
    // Frees the bitmap of the context before the end of the scope: a bitmap is used elsewhere (drawn
    // transparently, read as bits) only when no context holds it. Dc() is NULL from then on.
    void Deselect() { selection.Restore(); }

private:
    MemoryDc(const MemoryDc &);
    MemoryDc &operator=(const MemoryDc &);

    HDC dc;
    HBITMAP bitmap;
    BOOL owned;
    SelectedObject selection;
};

#endif
