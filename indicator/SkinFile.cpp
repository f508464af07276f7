#include "indicator/SkinFile.h"

#include <stdio.h>

// The system's own scanner (msvcrt): MinGW's C99 one would bring tens of kilobytes of
// floating-point parsing into the program for three integers and a name.
#ifdef __MINGW32__
#define ScanEntry __ms_sscanf
#else
#define ScanEntry sscanf
#endif

#include "gfx/Text.h"

const char SkinGeneralSection[] = "Indicator.General";
const char SkinTitleKey[] = "Title";
const char SkinMarkFixKey[] = "FixShowPowerStatusMark";
const char SkinTimeFixKey[] = "FixShowRestBatteryTime";

const char *const SkinElementNames[SkinElementCount] = {
    "Body", "Gauge", "PsmAcNoCharging", "PsmAcCharging", "PsmDc", "RbtNum", "RbtMin",
};

// The default handed to the profile reader, so that a missing key can be told from an empty one.
static const char NotFound[] = "#NotFound#";
// The longest file name an entry may give: one path's worth.
static const UINT LongestName = SkinNameSize - 1;

SkinModeLayout SkinLayoutFor(DWORD displayMode)
{
    static const SkinModeLayout layouts[4] = {
        { "Indicator.None", FALSE, FALSE },
        { "Indicator.Psm", TRUE, FALSE },
        { "Indicator.Rbt", FALSE, TRUE },
        { "Indicator.Psm.Rbt", TRUE, TRUE },
    };
    return layouts[displayMode < 3 ? displayMode : 3];
}

BOOL SkinModeReads(const SkinModeLayout &layout, SkinElement element)
{
    switch (element) {
    case SkinBody:
    case SkinGauge:
        return TRUE;
    case SkinMarkAcNoCharging:
    case SkinMarkAcCharging:
    case SkinMarkBattery:
        return layout.marks;
    default:
        return layout.time;
    }
}

void SkinElementKey(SkinElement element, BOOL horizontal, char *key, UINT size)
{
    if (CopyText(key, size, element < SkinElementCount ? SkinElementNames[element] : ""))
        AppendText(key, size, horizontal ? "H" : "V");
}

BOOL SkinFilePath(const char *installFolder, UINT skinNumber, char *path, UINT size)
{
    char name[32];
    wsprintfA(name, "\\Indicator%02u.dat", skinNumber);
    return CopyText(path, size, installFolder) && AppendText(path, size, name);
}

BOOL SkinImagePath(const char *resourceFolder, const char *name, char *path, UINT size)
{
    return CopyText(path, size, resourceFolder) && AppendText(path, size, name);
}

BitmapFault SkinImageFault(const char *path)
{
    BYTE head[BitmapHeadSize];
    DWORD got = 0, high = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return BitmapUnreadable;
    DWORD size = GetFileSize(file, &high);
    BitmapFault fault = size != INVALID_FILE_SIZE && high == 0 && ReadFile(file, head, sizeof head, &got, NULL)
        ? BitmapFileFault(head, got, size) : BitmapUnreadable;
    CloseHandle(file);
    return fault;
}

HBITMAP LoadSkinImage(const char *path)
{
    return SkinImageFault(path) == BitmapWhole
        ? (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE) : NULL;
}

static DWORD Little16(const BYTE *p) { return p[0] | (DWORD)p[1] << 8; }
static DWORD Little32(const BYTE *p) { return Little16(p) | Little16(p + 2) << 16; }

BitmapFault BitmapFileFault(const BYTE *head, DWORD headSize, DWORD fileSize)
{
    if (headSize > fileSize)
        headSize = fileSize;
    if (headSize < 18 || head[0] != 'B' || head[1] != 'M')
        return BitmapNotBmp;
    const DWORD infoSize = Little32(head + 14);
    if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124)
        return BitmapNotBmp;
    if (headSize < 14 + infoSize)
        return BitmapCutShort;
    const BYTE *info = head + 14;
    LONGLONG width, height;
    DWORD bpp, compression = BI_RGB, imageSize = 0, colours = 0, entrySize = 4;
    if (infoSize == 12) {   // the old core header: 16-bit sizes, three-byte colour entries
        width = Little16(info + 4);
        height = Little16(info + 6);
        bpp = Little16(info + 10);
        entrySize = 3;
    } else {
        width = (LONG)Little32(info + 4);
        height = (LONG)Little32(info + 8);
        bpp = Little16(info + 14);
        compression = Little32(info + 16);
        imageSize = Little32(info + 20);
        colours = Little32(info + 32);
    }
    if (width <= 0 || height == 0)
        return BitmapNoPixels;
    if (width > LargestSkinImage || height > LargestSkinImage || -height > LargestSkinImage)
        return BitmapTooLarge;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return BitmapUnknownDepth;
    // The colour table: at most 2^bits entries for the pixels, but the loader reads as many as the
    // header names, up to 256, at any depth, and with no pixel offset starts the pixels after them.
    // The larger count is the one the file must hold.
    const DWORD used = bpp <= 8 ? (colours && colours < (1u << bpp) ? colours : 1u << bpp) : 0;
    const DWORD named = colours ? (colours < 256 ? colours : 256) : used;
    LONGLONG table = (LONGLONG)(used > named ? used : named) * entrySize;
    if (bpp > 8 && compression == BI_BITFIELDS && infoSize == 40)
        table += 12;   // the three masks follow the plain header
    const LONGLONG headers = 14 + (LONGLONG)infoSize + table;
    const LONGLONG offset = Little32(head + 10) ? Little32(head + 10) : headers;
    if (offset < headers)
        return BitmapCutShort;
    const LONGLONG rows = height < 0 ? -height : height;
    LONGLONG data;
    if (compression == BI_RGB || (compression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) {
        const LONGLONG stride = (width * bpp + 31) / 32 * 4;
        if (rows > (LONGLONG)fileSize / stride)
            return BitmapCutShort;
        data = stride * rows;
    } else if ((compression == BI_RLE8 && bpp == 8) || (compression == BI_RLE4 && bpp == 4)) {
        // Runs are stored bottom up, and only the header says where they end.
        if (height < 0 || imageSize == 0)
            return BitmapUnknownCompression;
        data = imageSize;
    } else {
        return BitmapUnknownCompression;
    }
    return offset + data <= (LONGLONG)fileSize ? BitmapWhole : BitmapCutShort;
}

const char IconSection[] = "Indicator.Icon";
static const char IconFileName[] = "\\IndicatorIcon.dat";
// One byte more than a name may hold, so that a longer value shows as filling the buffer.
static const UINT IconValueSize = SkinNameSize + 1;

BOOL IconFilePath(const char *installFolder, char *path, UINT size)
{
    return CopyText(path, size, installFolder) && AppendText(path, size, IconFileName);
}

BOOL ReadIconPath(const char *iconFile, const char *key, const char *resourceFolder, char *path, UINT size)
{
    char value[IconValueSize];
    if (size == 0)
        return FALSE;
    path[0] = '\0';
    DWORD length = ReadProfileString(iconFile, IconSection, key, value, sizeof value);
    if (length == 0 || length > LongestName)
        return FALSE;
    // The joined path must fit a path buffer whatever size the caller offers.
    if (size > SkinNameSize)
        size = SkinNameSize;
    if (!SkinImagePath(resourceFolder, value, path, size)) {
        path[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

DWORD ReadProfileString(const char *path, const char *section, const char *key, char *buffer, UINT size,
                        const char *defaultValue)
{
    if (size == 0)
        return 0;
    return GetPrivateProfileStringA(section, key, defaultValue ? defaultValue : "", buffer, size, path);
}

int ReadProfileInt(const char *path, const char *section, const char *key, int defaultValue)
{
    return (int)GetPrivateProfileIntA(section, key, defaultValue, path);
}

EntryResult ParseSkinEntry(const char *value, BOOL placed, SkinEntry *entry, char *name, UINT nameSize)
{
    // The token buffer holds any value the profile reader can return, so the conversion never
    // cuts it; a name too long to use is refused below rather than cut into another file's name.
    char token[SkinValueSize];
    unsigned red = 0, green = 0, blue = 0;
    int x = 0, y = 0;
    int converted;
    token[0] = '\0';
    if (placed)
        converted = ScanEntry(value, "%d,%d,%u,%u,%u,%359s", &x, &y, &red, &green, &blue, token);
    else
        converted = ScanEntry(value, "%u,%u,%u,%359s", &red, &green, &blue, token);
    entry->fieldsRead = converted < 0 ? 0 : converted;
    if (entry->fieldsRead != (placed ? 6 : 4))
        return EntryMalformed;
    entry->x = x;
    entry->y = y;
    entry->colour = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
    UINT length = (UINT)lstrlenA(token);
    if (length > LongestName || length >= nameSize)
        return EntryNameTooLong;
    CopyText(name, nameSize, token);
    return EntryPresent;
}

EntryResult ReadSkinEntry(const char *path, const char *section, const char *key, BOOL placed,
                          SkinEntry *entry, char *name, UINT nameSize)
{
    char value[SkinValueSize];
    entry->x = entry->y = 0;
    entry->colour = 0;
    entry->fieldsRead = 0;
    ReadProfileString(path, section, key, value, sizeof value, NotFound);
    // Exact and case-sensitive: a key whose value is literally the marker counts as absent.
    if (lstrcmpA(value, NotFound) == 0)
        return EntryAbsent;
    return ParseSkinEntry(value, placed, entry, name, nameSize);
}

// The common part of both readers: a failed entry gives every output its default.
static BOOL ReadEntry(const char *path, const char *section, const char *key, BOOL placed, int *x, int *y,
                      COLORREF *colour, char *name, UINT nameSize, int defaultX, int defaultY,
                      COLORREF defaultColour, const char *defaultName)
{
    SkinEntry entry;
    if (ReadSkinEntry(path, section, key, placed, &entry, name, nameSize) == EntryPresent) {
        *x = entry.x;
        *y = entry.y;
        *colour = entry.colour;
        return TRUE;
    }
    *x = defaultX;
    *y = defaultY;
    *colour = defaultColour;
    CopyText(name, nameSize, defaultName ? defaultName : "");
    return FALSE;
}

BOOL ReadColorEntry(const char *path, const char *section, const char *key, COLORREF *colour, char *name,
                    UINT nameSize, COLORREF defaultColour, const char *defaultName)
{
    int x, y;
    return ReadEntry(path, section, key, FALSE, &x, &y, colour, name, nameSize, 0, 0, defaultColour,
                     defaultName);
}

BOOL ReadPlacedEntry(const char *path, const char *section, const char *key, int *x, int *y,
                     COLORREF *colour, char *name, UINT nameSize, int defaultX, int defaultY,
                     COLORREF defaultColour, const char *defaultName)
{
    return ReadEntry(path, section, key, TRUE, x, y, colour, name, nameSize, defaultX, defaultY, defaultColour,
                     defaultName);
}
