#include "gfx/Text.h"

BOOL CopyText(char *destination, UINT size, const char *source)
{
    if (size == 0)
        return FALSE;
    lstrcpynA(destination, source, (int)size);
    return (UINT)lstrlenA(source) < size;
}

BOOL AppendText(char *destination, UINT size, const char *source)
{
    if (size == 0)
        return FALSE;
    UINT used = (UINT)lstrlenA(destination);
    if (used >= size) {
        // Not a terminated text of this size: cut it so the buffer is sound again.
        destination[size - 1] = '\0';
        return FALSE;
    }
    return CopyText(destination + used, size - used, source);
}
