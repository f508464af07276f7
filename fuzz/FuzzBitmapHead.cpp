// The whole-file check of a skin image: any first bytes of a BMP file and any file size.
#include <stdlib.h>

#include "indicator/SkinFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    // The file's size, then its first bytes, held in a buffer of exactly their length.
    const DWORD fileSize = data[0] | data[1] << 8 | data[2] << 16 | (DWORD)data[3] << 24;
    DWORD headSize = (DWORD)(size - 4 < BitmapHeadSize ? size - 4 : BitmapHeadSize);
    if (headSize > fileSize)
        headSize = fileSize;   // a file gives no more bytes than it has
    BYTE *head = (BYTE *)malloc(headSize ? headSize : 1);
    memcpy(head, data + 4, headSize);
    if (BitmapFileIsWhole(head, headSize, fileSize)) {
        const DWORD infoSize = head[14] | head[15] << 8 | head[16] << 16 | (DWORD)head[17] << 24;
        if (head[0] != 'B' || head[1] != 'M' || fileSize < 14 + infoSize)
            abort();   // a file that cannot hold its own header passed
    }
    free(head);
    return 0;
}
