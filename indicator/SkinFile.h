// Reading the installation's profile files: the skin files of the floating indicator
// ("IndicatorNN.dat") and the tray picture file. Stateless functions over the platform's
// private-profile readers; every entry reader fills all its outputs, with the caller's defaults
// when the entry is absent or malformed.
#ifndef KESTREL_SKINFILE_H
#define KESTREL_SKINFILE_H

#include <windows.h>

// A value is read into a buffer of this size: longer values are cut to 359 characters.
const UINT SkinValueSize = 360;
// The longest file name an entry may give, and the size of the name buffers the indicator passes.
const UINT SkinNameSize = 260;

// The section of every skin file that describes the skin itself, and its keys.
extern const char SkinGeneralSection[];    // "Indicator.General"
extern const char SkinTitleKey[];          // "Title"
extern const char SkinMarkFixKey[];        // "FixShowPowerStatusMark"
extern const char SkinTimeFixKey[];        // "FixShowRestBatteryTime"

// The indicator's elements, in the order they are read and drawn. The keys are these names with
// the orientation's suffix, "H" or "V".
enum SkinElement {
    SkinBody = 0,            // colour entry; its size is the indicator's, its shape the window's
    SkinGauge,               // the charge gauge
    SkinMarkAcNoCharging,    // the three power-status marks
    SkinMarkAcCharging,
    SkinMarkBattery,
    SkinDigits,              // the strip of ten digit glyphs
    SkinLabel,               // the "min" label drawn with the digits
    SkinElementCount
};
extern const char *const SkinElementNames[SkinElementCount];   // "Body", "Gauge", "PsmAcNoCharging"...

// What a display mode (bit 0: power-status mark, bit 1: remaining time) reads: the section, and
// whether the mark and time elements are read from it. Any value above 3 acts as 3.
struct SkinModeLayout {
    const char *section;
    BOOL marks;
    BOOL time;
};
SkinModeLayout SkinLayoutFor(DWORD displayMode);
// Whether a mode reads the element at all (body and gauge always, marks and time by the mode).
BOOL SkinModeReads(const SkinModeLayout &layout, SkinElement element);
// "BodyH", "PsmDcV"...: the key of an element in one orientation; size at least 32.
void SkinElementKey(SkinElement element, BOOL horizontal, char *key, UINT size);

// installFolder + "\IndicatorNN.dat" (two digits at least). FALSE when the path would be cut.
BOOL SkinFilePath(const char *installFolder, UINT skinNumber, char *path, UINT size);
// resourceFolder + name. FALSE when the joined path would not fit (it would name another file).
BOOL SkinImagePath(const char *resourceFolder, const char *name, char *path, UINT size);
// A BMP file at its natural size, or null; a file that BitmapFileIsWhole refuses is not loaded.
HBITMAP LoadSkinImage(const char *path);
// The first bytes of a BMP file that tell whether it is whole: the file header, the largest info
// header and the three colour masks that may follow the plain one.
const UINT BitmapHeadSize = 14 + 124 + 12;
// Why a file is not loaded as a skin image; the skin authors' tool names it.
enum BitmapFault {
    BitmapWhole = 0,
    BitmapUnreadable,        // no such file, or it cannot be read
    BitmapNotBmp,            // no "BM" file header or an info header of unknown size
    BitmapNoPixels,          // width or height 0 (or a negative width)
    BitmapUnknownDepth,      // not 1, 4, 8, 16, 24 or 32 bits per pixel
    BitmapUnknownCompression,// not BI_RGB, RLE8 at 8 bits, RLE4 at 4 bits or BI_BITFIELDS at 16 or 32
    BitmapCutShort,          // the headers, colour table or pixels reach past the end of the file
    BitmapTooLarge           // wider or higher than LargestSkinImage
};
// The widest and highest image a skin may use. An indicator never needs more, and a header must not
// make the loader build a picture of any size it names: a run-length image is not bounded by its
// file's size, so a file of a kilobyte may claim 8000 x 8000 pixels.
const LONG LargestSkinImage = 1024;
// Whether a file of fileSize bytes that starts with the headSize bytes of head is a BMP with pixels,
// no larger than LargestSkinImage either way, whose header, colour table and pixel data all lie
// inside the file, in a depth and compression the loader knows; the first fault found otherwise.
// The platform's loader trusts the header and would read past the end of a file cut short.
BitmapFault BitmapFileFault(const BYTE *head, DWORD headSize, DWORD fileSize);
inline BOOL BitmapFileIsWhole(const BYTE *head, DWORD headSize, DWORD fileSize)
{
    return BitmapFileFault(head, headSize, fileSize) == BitmapWhole;
}
// Reads the head of the file at path and judges it as BitmapFileFault does.
BitmapFault SkinImageFault(const char *path);

// The tray picture file, installFolder + "\IndicatorIcon.dat": one section whose keys each name an
// icon file of the resource folder by their whole value. FALSE when the path would be cut.
extern const char IconSection[];           // "Indicator.Icon"
BOOL IconFilePath(const char *installFolder, char *path, UINT size);
// resourceFolder + the value of key in iconFile. FALSE, with path empty, when the key is absent or
// empty, or when the name or the joined path would not fit in size or 259 characters: a cut name
// would name some other file.
BOOL ReadIconPath(const char *iconFile, const char *key, const char *resourceFolder, char *path, UINT size);

// The platform's private-profile string reader: the value, or defaultValue (empty when null), cut to
// size - 1 characters. Returns the length copied.
DWORD ReadProfileString(const char *path, const char *section, const char *key, char *buffer, UINT size,
                        const char *defaultValue = NULL);
// The platform's private-profile integer reader.
int ReadProfileInt(const char *path, const char *section, const char *key, int defaultValue = 0);

// How an entry turned out. Malformed entries count as absent for the program; the difference is
// kept for the skin authors' tool.
enum EntryResult {
    EntryPresent = 0,       // well formed, outputs filled from it
    EntryAbsent,            // no such key (or the literal value "#NotFound#")
    EntryMalformed,         // a field could not be converted (fieldsRead tells which)
    EntryNameTooLong        // the file name does not fit the name buffer or exceeds 259 characters
};

// The values of one entry. Placed entries have a position; colour entries leave x and y at 0.
struct SkinEntry {
    int x, y;
    COLORREF colour;        // the key colour, low 8 bits of each of red, green and blue
    int fieldsRead;         // conversions that succeeded (4 for a colour entry, 6 for a placed one)
};

// Parses a value as a colour entry ("%u,%u,%u,%s": red, green, blue, file name) or a placed entry
// ("%d,%d,%u,%u,%u,%s": x, y, red, green, blue, file name). On anything but EntryPresent the name
// buffer is left untouched.
EntryResult ParseSkinEntry(const char *value, BOOL placed, SkinEntry *entry, char *name, UINT nameSize);
// Reads and parses one key; entry->fieldsRead and the result tell a tool why it failed.
EntryResult ReadSkinEntry(const char *path, const char *section, const char *key, BOOL placed,
                          SkinEntry *entry, char *name, UINT nameSize);

// Reads a colour entry. TRUE when present and well formed; otherwise every output takes the default
// given (an empty name when defaultName is null) and the result is FALSE.
BOOL ReadColorEntry(const char *path, const char *section, const char *key, COLORREF *colour, char *name,
                    UINT nameSize, COLORREF defaultColour = 0, const char *defaultName = NULL);
// Reads a placed entry, in the same way.
BOOL ReadPlacedEntry(const char *path, const char *section, const char *key, int *x, int *y,
                     COLORREF *colour, char *name, UINT nameSize, int defaultX = 0, int defaultY = 0,
                     COLORREF defaultColour = 0, const char *defaultName = NULL);

#endif
