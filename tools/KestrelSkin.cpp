// KestrelSkin: the skin authors' console tool, shipped beside Kestrel.exe. Kestrel itself is silent
// about a broken skin (the element just does not show); this tool reads a skin with Kestrel's own
// readers and loader and says what is wrong, or renders the composed indicator into a BMP file.
//
//   KestrelSkin check FOLDER NUMBER
//   KestrelSkin render FOLDER NUMBER OUTPUT.bmp [mode=M] [vertical] [percent=P] [state=S]
//               [minutes=N] [background=RRGGBB]
//   KestrelSkin render FOLDER NUMBER OUTPUT.bmp sheet [percent=P] [minutes=N] [background=RRGGBB]
//   KestrelSkin new FOLDER NUMBER TITLE
//
// FOLDER is laid out as an installation: IndicatorNN.dat in it, the images in FOLDER\Resource.
// The sheet is every display mode the skin's fixes leave the user, one row each, in the three power
// states, horizontal then vertical. new writes a small complete skin for an author to start from.
// Exit codes: 0 done (check: a clean skin), 1 something is wrong, 2 a command it cannot run.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "gfx/MemoryDc.h"
#include "gfx/Region.h"
#include "gfx/Text.h"
#include "indicator/IndicatorSkin.h"
#include "indicator/IndicatorSkinInfo.h"
#include "indicator/SkinFile.h"

namespace {

const int ExitClean = 0;
const int ExitProblems = 1;
const int ExitUsage = 2;

const char *const PlacedFields[6] = { "x", "y", "red", "green", "blue", "file name" };
const char *const ColourFields[4] = { "red", "green", "blue", "file name" };

int Usage()
{
    fprintf(stderr,
            "usage: KestrelSkin check FOLDER NUMBER\n"
            "       KestrelSkin render FOLDER NUMBER OUTPUT.bmp [mode=0..3] [vertical] [percent=P]\n"
            "                   [state=0|1|2] [minutes=N] [background=RRGGBB]\n"
            "       KestrelSkin render FOLDER NUMBER OUTPUT.bmp sheet [percent=P] [minutes=N]\n"
            "                   [background=RRGGBB]\n"
            "       KestrelSkin new FOLDER NUMBER TITLE\n"
            "FOLDER holds IndicatorNN.dat and, in its Resource folder, the skin's images.\n");
    return ExitUsage;
}

// The skin author's folder as Kestrel's folders of an installation, as start-up makes them.
struct Folders {
    char install[PathSize];    // as given, no trailing backslash added
    char resource[PathSize];   // install + "\Resource\"
};

bool UseFolder(const char *folder, Folders *folders)
{
    return CopyText(folders->install, PathSize, folder)
        && CopyText(folders->resource, PathSize, folder)
        && AppendText(folders->resource, PathSize, "\\Resource\\");
}

bool ParseNumber(const char *text, long long *value)
{
    char *end = NULL;
    *value = strtoll(text, &end, 10);   // "08" is skin 8, as its file name Indicator08.dat says
    return end != text && *end == '\0';
}

const char *FixText(SkinFix fix)
{
    return fix == ForcedOn ? "always shown" : fix == ForcedOff ? "never shown" : "the user chooses";
}

// Whether a user can reach the display mode through the settings page, given the skin's fixes.
bool Reachable(DWORD mode, SkinFix markFix, SkinFix timeFix)
{
    bool mark = (mode & 1) != 0, time = (mode & 2) != 0;
    return !(mark && markFix == ForcedOff) && !(!mark && markFix == ForcedOn)
        && !(time && timeFix == ForcedOff) && !(!time && timeFix == ForcedOn);
}

// Why Kestrel does not load an image, after its name.
const char *FaultText(BitmapFault fault)
{
    switch (fault) {
    case BitmapUnreadable:
        return "does not exist or cannot be read";
    case BitmapNotBmp:
        return "is not a BMP image";
    case BitmapNoPixels:
        return "has no pixels (its width or height is 0)";
    case BitmapUnknownDepth:
        return "has a colour depth Kestrel does not load (it loads 1, 4, 8, 16, 24 and 32 bits per pixel)";
    case BitmapUnknownCompression:
        return "has a compression Kestrel does not load (it loads none, RLE8 at 8 and RLE4 at 4 bits per pixel "
               "stored bottom up with the size of their pixel data, and bit fields at 16 and 32)";
    case BitmapCutShort:
        return "is cut short: its header names more colours or pixels than the file holds";
    case BitmapTooLarge: {
        static char tooLarge[100];
        wsprintfA(tooLarge, "is too large: Kestrel loads images of at most %ld pixels in width and in height",
                  (long)LargestSkinImage);
        return tooLarge;
    }
    case BitmapWhole:
        break;
    }
    return "is a BMP image the system cannot load";
}

// Checks one key of a mode section and prints its line; returns the number of problems.
int CheckKey(const char *skinFile, const char *resourceFolder, const char *section, SkinElement element,
             BOOL horizontal, bool reachable, int bodyWidth, int bodyHeight, int *width, int *height)
{
    char key[32], name[SkinNameSize], path[PathSize];
    SkinElementKey(element, horizontal, key, sizeof key);
    const BOOL placed = element != SkinBody;
    SkinEntry entry;
    EntryResult result = ReadSkinEntry(skinFile, section, key, placed, &entry, name, sizeof name);
    *width = *height = 0;
    printf("  [%s] %s: ", section, key);
    switch (result) {
    case EntryAbsent:
        if (!reachable) {
            printf("absent (this section is not used with the skin's fixes)\n");
            return 0;
        }
        printf("PROBLEM: absent, so the %s will not show\n", element == SkinBody ? "whole indicator" : "element");
        return 1;
    case EntryMalformed: {
        const char *field = placed ? PlacedFields[entry.fieldsRead] : ColourFields[entry.fieldsRead];
        printf("PROBLEM: malformed: the %s (field %d) is missing or not a number; a blank before a comma "
               "also ends the entry\n", field, entry.fieldsRead + 1);
        return 1;
    }
    case EntryNameTooLong:
        printf("PROBLEM: malformed: the file name is longer than %u characters\n", SkinNameSize - 1);
        return 1;
    case EntryPresent:
        break;
    }
    if (!SkinImagePath(resourceFolder, name, path, sizeof path)) {
        printf("PROBLEM: %s: the resource folder and the name together exceed %u characters\n", name,
               PathSize - 1);
        return 1;
    }
    HBITMAP image = LoadSkinImage(path);
    if (!image) {
        printf("PROBLEM: %s %s\n", name, FaultText(SkinImageFault(path)));
        return 1;
    }
    BITMAP info;
    GetObjectA(image, sizeof info, &info);
    *width = info.bmWidth;
    *height = info.bmHeight;
    printf("%s, %d x %d", name, *width, *height);
    if (placed)
        printf(" at %d,%d", entry.x, entry.y);
    printf(", key %u,%u,%u", GetRValue(entry.colour), GetGValue(entry.colour), GetBValue(entry.colour));
    int problems = 0;
    // The shape of the image's pixels that are not the key, as Kestrel makes it for the body.
    HRGN shape = NULL, keyed = CreateRectRgn(0, 0, *width, *height);
    if (RegionFromBitmap(GetDesktopWindow(), image, 1, &entry.colour, &shape) && keyed) {
        const DWORD rectangles = ShapeRectangles(shape);
        if (element == SkinBody && rectangles > MostShapeRectangles) {
            printf("; PROBLEM: its shape takes %lu rectangles, more than the %lu Kestrel accepts, so the whole "
                   "indicator will not show (make the edge between key colour and picture less ragged)",
                   (unsigned long)rectangles, (unsigned long)MostShapeRectangles);
            problems++;
        }
        if (CombineRgn(keyed, keyed, shape, RGN_DIFF) == NULLREGION)
            printf("; warning: the key colour appears nowhere in the image, so none of it is transparent "
                   "(a wrong key colour?)");
    }
    if (keyed)
        DeleteObject(keyed);
    if (shape)
        DeleteObject(shape);
    DeleteObject(image);
    // Of the digit strip only the three cells of the counter are drawn.
    const int drawnWidth = element == SkinDigits && horizontal ? *width / 10 * MinuteDigits : *width;
    const int drawnHeight = element == SkinDigits && !horizontal ? *height / 10 * MinuteDigits : *height;
    if (placed && bodyWidth > 0
            && (entry.x < 0 || entry.y < 0 || entry.x + drawnWidth > bodyWidth || entry.y + drawnHeight > bodyHeight))
        printf("; note: reaches outside the %d x %d body", bodyWidth, bodyHeight);
    if (element == SkinDigits) {
        int cells = horizontal ? *width : *height;
        if (cells < 10) {
            printf("; PROBLEM: %d pixels %s is too small for ten digit cells (one pixel each at least), so "
                   "neither the counter nor its label will show", cells, horizontal ? "wide" : "high");
            problems++;
        } else if (cells % 10) {
            printf("; note: %d is not a multiple of 10, the last %d %s never show", cells, cells % 10,
                   horizontal ? "columns" : "rows");
        }
    }
    printf("\n");
    return problems;
}

int Check(const Folders &folders, UINT number)
{
    char skinFile[PathSize];
    if (!SkinFilePath(folders.install, number, skinFile, sizeof skinFile)) {
        fprintf(stderr, "KestrelSkin: the folder's name is too long\n");
        return ExitUsage;
    }
    int problems = 0;
    if (number >= SkinNumberCount) {   // checked on, so that a skin meant for another number can be fixed
        printf("PROBLEM: skin number %u is not one the Indicator page lists (0 to %u)\n", number,
               SkinNumberCount - 1);
        problems++;
    }
    IndicatorSkinInfo info;
    if (!info.Load(folders.install, number)) {
        printf("%s: PROBLEM: no such skin file\n", skinFile);
        return ExitProblems;
    }
    char title[SkinTitleSize];
    SkinFix markFix, timeFix;
    info.GetInfo(title, sizeof title, &markFix, &timeFix);
    printf("%s\n", skinFile);
    printf("  [%s] %s: \"%s\"\n", SkinGeneralSection, SkinTitleKey, title);
    printf("  [%s] %s: %s\n", SkinGeneralSection, SkinMarkFixKey, FixText(markFix));
    printf("  [%s] %s: %s\n", SkinGeneralSection, SkinTimeFixKey, FixText(timeFix));

    for (DWORD mode = 0; mode < 4; mode++) {
        SkinModeLayout layout = SkinLayoutFor(mode);
        bool reachable = Reachable(mode, markFix, timeFix);
        for (int o = 0; o < 2; o++) {
            BOOL horizontal = o == 0;
            int bodyWidth = 0, bodyHeight = 0;
            for (int e = 0; e < SkinElementCount; e++) {
                SkinElement element = (SkinElement)e;
                if (!SkinModeReads(layout, element))
                    continue;
                int w, h;
                problems += CheckKey(skinFile, folders.resource, layout.section, element, horizontal, reachable,
                                     bodyWidth, bodyHeight, &w, &h);
                if (element == SkinBody) {
                    bodyWidth = w;
                    bodyHeight = h;
                }
            }
        }
    }
    printf("%d problem%s\n", problems, problems == 1 ? "" : "s");
    return problems ? ExitProblems : ExitClean;
}

// Writes a 24-bit BMP file of width x height from rows of 0x00RRGGBB pixels, top row first.
bool WriteBmpFile(const char *path, int width, int height, const DWORD *pixels)
{
    BITMAPINFOHEADER header;
    ZeroMemory(&header, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    header.biSizeImage = stride * (DWORD)height;
    BITMAPFILEHEADER file;
    ZeroMemory(&file, sizeof file);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    BYTE *rows = (BYTE *)calloc(header.biSizeImage, 1);
    if (!rows)
        return false;
    for (int y = 0; y < height; y++) {   // the file's rows go bottom up
        BYTE *row = rows + (DWORD)(height - 1 - y) * stride;
        for (int x = 0; x < width; x++) {
            const DWORD p = pixels[y * width + x];
            row[3 * x] = (BYTE)p;
            row[3 * x + 1] = (BYTE)(p >> 8);
            row[3 * x + 2] = (BYTE)(p >> 16);
        }
    }
    FILE *out = fopen(path, "wb");
    bool ok = out && fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1
        && fwrite(rows, header.biSizeImage, 1, out) == 1;
    if (out && fclose(out) != 0)
        ok = false;
    free(rows);
    return ok;
}

// A picture held as 0x00RRGGBB pixels, top row first.
class Picture {
public:
    Picture() : width(0), height(0), pixels(NULL) {}
    ~Picture() { free(pixels); }
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    bool Create(int w, int h, DWORD fill)
    {
        free(pixels);
        width = w;
        height = h;
        pixels = (DWORD *)malloc(sizeof(DWORD) * (size_t)w * (size_t)h);
        for (int i = 0; pixels && i < w * h; i++)
            pixels[i] = fill;
        return pixels != NULL;
    }
    void Set(int x, int y, DWORD colour)
    {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[y * width + x] = colour;
    }
    DWORD Get(int x, int y) const { return pixels[y * width + x]; }
    // Fills the rectangle from (x0, y0) to (x1, y1), both corners included.
    void Fill(int x0, int y0, int x1, int y1, DWORD colour)
    {
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                Set(x, y, colour);
    }
    // Pixel art: one string per row, '.' leaves the pixel, any other character is inked by Ink.
    void Draw(int x0, int y0, const char *const *rows, int count)
    {
        for (int y = 0; y < count; y++)
            for (int x = 0; rows[y][x]; x++)
                if (rows[y][x] != '.')
                    Set(x0 + x, y0 + y, Ink(rows[y][x]));
    }
    void Paste(int x0, int y0, const Picture &other)
    {
        for (int y = 0; y < other.height; y++)
            for (int x = 0; x < other.width; x++)
                Set(x0 + x, y0 + y, other.Get(x, y));
    }
    // This picture turned a quarter to the left: its left edge becomes the bottom.
    bool TurnLeft(Picture *turned) const
    {
        if (!turned->Create(height, width, 0))
            return false;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                turned->Set(y, width - 1 - x, Get(x, y));
        return true;
    }
    bool Save(const char *path) const { return WriteBmpFile(path, width, height, pixels); }

    static DWORD Ink(char c);
    int width, height;
    DWORD *pixels;
};

// The starter skin's colours, as 0x00RRGGBB.
const DWORD StarterKey = 0xFF00FF;      // transparent everywhere: 255,0,255
const DWORD StarterEdge = 0x303848;
const DWORD StarterFace = 0xE0E4EC;
const DWORD StarterWell = 0x202830;

DWORD Picture::Ink(char c)
{
    switch (c) {
    case 'g': return 0x20B040;   // the gauge and the charge in the battery mark
    case 'l': return 0x70E090;   // the gauge's highlight
    case 'y': return 0xF0A000;   // the charging bolt
    case 'o': return 0xA0A8B8;   // the plug's body
    default:  return StarterEdge;
    }
}

const char *const StarterMarks[3][9] = {
    { "..#...#..", "..#...#..", ".#######.", ".#ooooo#.", ".#ooooo#.", "..#ooo#..", "...#o#...", "....#....",
      "....#...." },                                                         // on AC, not charging: a plug
    { ".....###.", "....#yy#.", "...#yy#..", "..#yyy##.", ".#yyyyy#.", ".##yyy#..", "..#yy#...", ".#yy#....",
      ".###....." },                                                         // charging: a bolt
    { "...###...", ".#######.", ".#.....#.", ".#ggggg#.", ".#ggggg#.", ".#ggggg#.", ".#ggggg#.", ".#ggggg#.",
      ".#######." },                                                         // on battery
};
const char *const StarterDigits[10][5] = {
    { "###", "#.#", "#.#", "#.#", "###" }, { ".#.", "##.", ".#.", ".#.", "###" }, { "###", "..#", "###", "#..", "###" },
    { "###", "..#", ".##", "..#", "###" }, { "#.#", "#.#", "###", "..#", "..#" }, { "###", "#..", "###", "..#", "###" },
    { "###", "#..", "###", "#.#", "###" }, { "###", "..#", "..#", ".#.", ".#." }, { "###", "#.#", "###", "#.#", "###" },
    { "###", "#.#", "###", "..#", "###" },
};
const char *const StarterLabel[5] = { "......#....", "##.#....##.", "#.#.#.#.#.#", "#.#.#.#.#.#", "#.#.#.#.#.#" };
const int StarterHeight = 17, GaugeWidth = 30, GaugeHeight = 9, MarkSize = 9, CellWidth = 4, CellHeight = 5,
          LabelWidth = 11, NubWidth = 2;

// Where the elements of one display mode go in the horizontal body, and the body's width.
struct StarterLayout {
    int width;
    POINT gauge, mark, digits, label;
};

StarterLayout LayOut(BOOL marks, BOOL time)
{
    StarterLayout l;
    ZeroMemory(&l, sizeof l);
    int x = 3 + 1;
    l.gauge.x = x;
    l.gauge.y = (StarterHeight - GaugeHeight) / 2;
    x += GaugeWidth + 1 + 3;
    if (marks) {
        l.mark.x = x;
        l.mark.y = (StarterHeight - MarkSize) / 2;
        x += MarkSize + 3;
    }
    if (time) {
        l.digits.x = x;
        l.digits.y = l.label.y = (StarterHeight - CellHeight) / 2;
        x += MinuteDigits * CellWidth + 1;
        l.label.x = x;
        x += LabelWidth + 3;
    }
    l.width = x + 1 + NubWidth;
    return l;
}

// The starter's elements in SkinElement order: where each goes in the horizontal body, its width
// there (the counter shows three cells of the strip) and its file, one for each orientation ("H",
// "V") but for the marks, which stand upright in both. The body has no place; its file is the
// display mode's.
struct StarterElement {
    POINT StarterLayout::*place;
    int width;
    const char *file;
    bool upright;
};
const StarterElement StarterElements[SkinElementCount] = {
    { NULL, 0, NULL, false },
    { &StarterLayout::gauge, GaugeWidth, "Gauge", false },
    { &StarterLayout::mark, MarkSize, "PsmAcNoCharging", true },
    { &StarterLayout::mark, MarkSize, "PsmAcCharging", true },
    { &StarterLayout::mark, MarkSize, "PsmDc", true },
    { &StarterLayout::digits, MinuteDigits * CellWidth, "RbtNum", false },
    { &StarterLayout::label, LabelWidth, "RbtMin", false },
};

// The body: a battery seen from the side, flat face and dark edge, the terminal on the right, with
// the sunken well the gauge shows in.
bool DrawBody(const StarterLayout &l, Picture *body)
{
    if (!body->Create(l.width, StarterHeight, StarterKey))
        return false;
    const int right = l.width - NubWidth - 1, bottom = StarterHeight - 1;
    body->Fill(0, 0, right, bottom, StarterEdge);
    body->Fill(1, 1, right - 1, bottom - 1, StarterFace);
    body->Fill(right + 1, StarterHeight / 3, l.width - 1, bottom - StarterHeight / 3, StarterEdge);
    body->Set(0, 0, StarterKey);   // rounded corners
    body->Set(right, 0, StarterKey);
    body->Set(0, bottom, StarterKey);
    body->Set(right, bottom, StarterKey);
    body->Fill(l.gauge.x - 1, l.gauge.y - 1, l.gauge.x + GaugeWidth, l.gauge.y + GaugeHeight, StarterWell);
    return true;
}

// An element's place in the vertical body, which is the horizontal one turned a quarter to the left.
POINT Turned(POINT p, int width, int bodyWidth)
{
    POINT turned = { p.y, bodyWidth - p.x - width };
    return turned;
}

// Writes one image of the starter into resource\subfolder\name.bmp; New has made sure the path fits.
bool SaveImage(const char *resource, const char *subfolder, const char *name, const Picture &picture)
{
    char path[PathSize];
    wsprintfA(path, "%s%s\\%s.bmp", resource, subfolder, name);
    return picture.Save(path);
}

// Writes IndicatorNN.dat and its images in Resource\SkinNN: every display mode's section, both
// orientations, the gauge, the three marks and the minutes counter with its label.
int New(const Folders &folders, UINT number, const char *title)
{
    char skinFile[PathSize], subfolder[16], resource[PathSize];
    if (number >= SkinNumberCount || lstrlenA(title) >= (int)SkinTitleSize || strchr(title, '\n')) {
        fprintf(stderr, "KestrelSkin: a new skin needs a number from 0 to %u and a title of at most %u characters\n",
                SkinNumberCount - 1, SkinTitleSize - 1);
        return ExitUsage;
    }
    wsprintfA(subfolder, "Skin%02u", number);
    if (!SkinFilePath(folders.install, number, skinFile, sizeof skinFile)
            || !CopyText(resource, sizeof resource, folders.resource)
            || lstrlenA(resource) + lstrlenA(subfolder) + 32 >= (int)PathSize) {
        fprintf(stderr, "KestrelSkin: the folder's name is too long\n");
        return ExitUsage;
    }
    if (GetFileAttributesA(skinFile) != INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "KestrelSkin: %s exists already; choose another number\n", skinFile);
        return ExitProblems;
    }
    char folder[PathSize];
    wsprintfA(folder, "%s%s", resource, subfolder);
    CreateDirectoryA(folders.resource, NULL);
    CreateDirectoryA(folder, NULL);

    // The pictures every mode shares.
    Picture gauge, gaugeV, strip, stripV, cell, cellV, label, labelV, mark;
    bool ok = gauge.Create(GaugeWidth, GaugeHeight, StarterKey) && gaugeV.Create(GaugeHeight, GaugeWidth, StarterKey)
        && strip.Create(10 * CellWidth, CellHeight, StarterKey) && stripV.Create(CellHeight, 10 * CellWidth, StarterKey)
        && label.Create(LabelWidth, CellHeight, StarterKey);
    // Segments of four with a gap that shows the well, filling from the left, or from the bottom
    // when vertical; each lit from the top left: its highlight on its left, or on its top.
    for (int i = 0; ok && i < GaugeWidth; i++) {
        if (i % 5 == 4)
            continue;
        gauge.Fill(i, 0, i, GaugeHeight - 1, Picture::Ink(i % 5 == 0 ? 'l' : 'g'));
        const int y = GaugeWidth - 1 - i;   // the same segment counted from the bottom
        gaugeV.Fill(0, y, GaugeHeight - 1, y, Picture::Ink(i % 5 == 3 ? 'l' : 'g'));
    }
    for (int d = 0; ok && d < 10; d++) {
        ok = cell.Create(CellWidth, CellHeight, StarterKey);
        if (ok) {
            cell.Draw(0, 0, StarterDigits[d], CellHeight);
            strip.Paste(d * CellWidth, 0, cell);
            ok = cell.TurnLeft(&cellV);
        }
        if (ok)
            stripV.Paste(0, d * CellWidth, cellV);   // the vertical strip's cells stand top to bottom
    }
    if (ok)
        label.Draw(0, 0, StarterLabel, CellHeight);
    ok = ok && label.TurnLeft(&labelV)
        && SaveImage(resource, subfolder, "GaugeH", gauge) && SaveImage(resource, subfolder, "GaugeV", gaugeV)
        && SaveImage(resource, subfolder, "RbtNumH", strip) && SaveImage(resource, subfolder, "RbtNumV", stripV)
        && SaveImage(resource, subfolder, "RbtMinH", label) && SaveImage(resource, subfolder, "RbtMinV", labelV);
    for (int m = 0; ok && m < 3; m++) {
        ok = mark.Create(MarkSize, MarkSize, StarterKey);
        if (ok) {
            mark.Draw(0, 0, StarterMarks[m], MarkSize);
            ok = SaveImage(resource, subfolder, StarterElements[SkinMarkAcNoCharging + m].file, mark);
        }
    }

    // One body per display mode, sized to what the mode shows, and the mode's section.
    static const char *const BodyNames[4] = { "BodyNone", "BodyPsm", "BodyRbt", "BodyPsmRbt" };
    FILE *out = ok ? fopen(skinFile, "wb") : NULL;
    ok = out && fprintf(out,
        "; Kestrel indicator skin %02u, written by KestrelSkin new. Its images are in Resource\\%s.\r\n"
        "[%s]\r\n%s=%s\r\n"
        "; 0: never shown, 1: always shown, none or any other value: the user chooses.\r\n"
        ";%s=1\r\n;%s=1\r\n", number, subfolder, SkinGeneralSection, SkinTitleKey, title, SkinMarkFixKey,
        SkinTimeFixKey) > 0;
    for (DWORD mode = 0; ok && mode < 4; mode++) {
        const SkinModeLayout layout = SkinLayoutFor(mode);
        const StarterLayout l = LayOut(layout.marks, layout.time);
        Picture body, turned;
        char name[32];
        wsprintfA(name, "%sH", BodyNames[mode]);
        ok = DrawBody(l, &body) && body.TurnLeft(&turned) && SaveImage(resource, subfolder, name, body);
        wsprintfA(name, "%sV", BodyNames[mode]);
        ok = ok && SaveImage(resource, subfolder, name, turned) && fprintf(out, "\r\n[%s]\r\n", layout.section) > 0;
        for (int o = 0; ok && o < 2; o++) {
            const BOOL horizontal = o == 0;
            for (int e = 0; ok && e < SkinElementCount; e++) {
                const SkinElement element = (SkinElement)e;
                const StarterElement &starter = StarterElements[e];
                if (!SkinModeReads(layout, element))
                    continue;
                char key[32];
                SkinElementKey(element, horizontal, key, sizeof key);
                wsprintfA(name, "%s%s", starter.file ? starter.file : BodyNames[mode],
                          starter.upright ? "" : horizontal ? "H" : "V");
                if (!starter.place) {
                    ok = fprintf(out, "%s=255,0,255,%s\\%s.bmp\r\n", key, subfolder, name) > 0;
                    continue;
                }
                const POINT place = horizontal ? l.*starter.place : Turned(l.*starter.place, starter.width, l.width);
                ok = fprintf(out, "%s=%ld,%ld,255,0,255,%s\\%s.bmp\r\n", key, (long)place.x, (long)place.y, subfolder,
                             name) > 0;
            }
        }
    }
    if (out && fclose(out) != 0)
        ok = false;
    if (!ok) {
        DeleteFileA(skinFile);   // no half-written skin for Kestrel to list
        fprintf(stderr, "KestrelSkin: cannot write the skin into %s\n", folders.install);
        return ExitProblems;
    }
    printf("%s: \"%s\", with its images in %s\n", skinFile, title, folder);
    return ExitClean;
}

// Writes what bitmap holds (width x height, compatible with dc) into a BMP file.
bool SaveBitmap(const char *path, HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFOHEADER header;
    ZeroMemory(&header, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;   // top row first, as a Picture holds them
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    Picture picture;
    return picture.Create(width, height, 0)
        && GetDIBits(dc, bitmap, 0, (UINT)height, picture.pixels, (BITMAPINFO *)&header, DIB_RGB_COLORS) == height
        && picture.Save(path);
}

// Kestrel knows the remaining time only on the battery: on AC power it has none to show.
UINT MinutesShown(PowerState state, UINT minutes)
{
    return state == OnAc || state == OnAcCharging ? 0 : minutes;
}

const PowerState SheetStates[3] = { OnAc, OnAcCharging, OnBattery };
const int SheetMargin = 8;

// The contact sheet of the display modes the user can choose: at the top one row per mode, the three
// power states horizontal; below them the same vertical, one group of three per mode, side by side.
// Every cell is as large as the largest body of its orientation.
int RenderSheet(const Folders &folders, UINT number, const char *output, UINT percent, UINT minutes,
                COLORREF background)
{
    IndicatorSkinInfo info;
    SkinFix markFix = Free, timeFix = Free;
    if (info.Load(folders.install, number))
        info.GetInfo(NULL, 0, &markFix, &timeFix);
    const HINSTANCE module = GetModuleHandleA(NULL);
    IndicatorSkin none(module), mark(module), time(module), both(module);
    IndicatorSkin *const all[4] = { &none, &mark, &time, &both };
    IndicatorSkin *skins[4] = { NULL, NULL, NULL, NULL };   // the modes on the sheet, first to last
    int cellWidth[2] = { 0, 0 }, cellHeight[2] = { 0, 0 }, rows = 0;
    for (DWORD mode = 0; mode < 4; mode++) {
        if (!Reachable(mode, markFix, timeFix))
            continue;
        skins[rows++] = all[mode];
        all[mode]->Load(folders.install, folders.resource, number, mode);
        for (int o = 0; o < 2; o++) {
            int w, h;
            all[mode]->GetSize(o == 0, &w, &h);
            cellWidth[o] = w > cellWidth[o] ? w : cellWidth[o];
            cellHeight[o] = h > cellHeight[o] ? h : cellHeight[o];
        }
    }
    const int m = SheetMargin, across = 3 * (cellWidth[0] + m), below = rows * (3 * (cellWidth[1] + m) + m) - m;
    const int width = m + (across > below ? across : below);
    const int height = m + rows * (cellHeight[0] + m) + m + cellHeight[1] + m;
    int result = ExitProblems;
    if (cellHeight[0] == 0 && cellHeight[1] == 0) {
        fprintf(stderr, "KestrelSkin: skin %02u has no body in any display mode its fixes allow\n", number);
    } else {
        HDC screen = GetDC(NULL);
        MemoryDc canvas(screen, width, height);
        HDC memory = canvas.Dc();
        HBRUSH brush = CreateSolidBrush(background);
        RECT whole = { 0, 0, width, height };
        bool drawn = memory && FillRect(memory, &whole, brush) != 0;
        for (int r = 0; r < rows; r++) {
            for (int s = 0; s < 3; s++) {
                POINT h = { m + s * (cellWidth[0] + m), m + r * (cellHeight[0] + m) };
                POINT v = { m + r * (3 * (cellWidth[1] + m) + m) + s * (cellWidth[1] + m),
                            m + rows * (cellHeight[0] + m) + m };
                const UINT shown = MinutesShown(SheetStates[s], minutes);
                drawn = skins[r]->Draw(memory, TRUE, percent, SheetStates[s], shown, &h, brush)
                    && skins[r]->Draw(memory, FALSE, percent, SheetStates[s], shown, &v, brush) && drawn;
            }
        }
        canvas.Deselect();
        if (drawn && SaveBitmap(output, screen, canvas.Bitmap(), width, height)) {
            printf("%s: skin %02u, %d display mode%s in three power states, horizontal then vertical, %d x %d\n",
                   output, number, rows, rows == 1 ? "" : "s", width, height);
            result = ExitClean;
        } else {
            fprintf(stderr, "KestrelSkin: cannot write %s\n", output);
        }
        DeleteObject(brush);
        ReleaseDC(NULL, screen);
    }
    for (DWORD mode = 0; mode < 4; mode++)
        all[mode]->Release();
    return result;
}

int Render(const Folders &folders, UINT number, const char *output, int argc, char **argv)
{
    long long mode = 3, percent = 57, state = OnBattery, minutes = 75, background = -1;
    BOOL horizontal = TRUE;
    bool sheet = false;
    for (int i = 0; i < argc; i++) {
        const char *arg = argv[i];
        long long *target = NULL;
        const char *value = strchr(arg, '=');
        if (strcmp(arg, "vertical") == 0 || strcmp(arg, "sheet") == 0) {
            horizontal = horizontal && strcmp(arg, "vertical") != 0;
            sheet = sheet || strcmp(arg, "sheet") == 0;
            continue;
        }
        if (value && !strncmp(arg, "mode=", 5)) target = &mode;
        else if (value && !strncmp(arg, "percent=", 8)) target = &percent;
        else if (value && !strncmp(arg, "state=", 6)) target = &state;
        else if (value && !strncmp(arg, "minutes=", 8)) target = &minutes;
        if (target && ParseNumber(value + 1, target) && *target >= 0 && *target <= 0xFFFFFFFFLL)
            continue;
        if (value && !strncmp(arg, "background=", 11)) {
            char *end = NULL;
            unsigned long rgb = strtoul(value + 1, &end, 16);
            if (end != value + 1 && *end == '\0' && rgb <= 0xFFFFFF) {
                background = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
                continue;
            }
        }
        fprintf(stderr, "KestrelSkin: cannot use \"%s\"\n", arg);
        return Usage();
    }
    if (sheet)   // over the desktop's teal unless told otherwise: key pixels show what lies below
        return RenderSheet(folders, number, output, (UINT)percent, (UINT)minutes,
                           background >= 0 ? (COLORREF)background : RGB(0, 128, 128));

    IndicatorSkin skin(GetModuleHandleA(NULL));
    skin.Load(folders.install, folders.resource, number, (DWORD)mode);
    int width = 0, height = 0;
    skin.GetSize(horizontal, &width, &height);
    if (width <= 0 || height <= 0) {
        fprintf(stderr, "KestrelSkin: skin %02u has no %s body in display mode %lld\n", number,
                horizontal ? "horizontal" : "vertical", mode);
        skin.Release();
        return ExitProblems;
    }
    int result = ExitProblems;
    HDC screen = GetDC(NULL);
    MemoryDc canvas(screen, width, height);
    HBRUSH brush = background >= 0 ? CreateSolidBrush((COLORREF)background) : NULL;
    BOOL drawn = canvas.Dc() && skin.Draw(canvas.Dc(), horizontal, (UINT)percent, (PowerState)state,
                                          MinutesShown((PowerState)state, (UINT)minutes), NULL, brush);
    canvas.Deselect();
    if (drawn && SaveBitmap(output, screen, canvas.Bitmap(), width, height)) {
        printf("%s: skin %02u, display mode %lld, %s, %d x %d\n", output, number, mode,
               horizontal ? "horizontal" : "vertical", width, height);
        result = ExitClean;
    } else {
        fprintf(stderr, "KestrelSkin: cannot write %s\n", output);
    }
    if (brush)
        DeleteObject(brush);
    ReleaseDC(NULL, screen);
    skin.Release();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    long long number;
    if (argc < 4 || !ParseNumber(argv[3], &number) || number < 0 || number > 0xFFFFFFFFLL)
        return Usage();
    Folders folders;
    if (!UseFolder(argv[2], &folders)) {
        fprintf(stderr, "KestrelSkin: the folder's name is too long\n");
        return ExitUsage;
    }
    if (strcmp(argv[1], "check") == 0 && argc == 4)
        return Check(folders, (UINT)number);
    if (strcmp(argv[1], "render") == 0 && argc >= 5)
        return Render(folders, (UINT)number, argv[4], argc - 5, argv + 5);
    if (strcmp(argv[1], "new") == 0 && argc == 5)
        return New(folders, (UINT)number, argv[4]);
    return Usage();
}
