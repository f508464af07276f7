// KestrelSkin: the skin authors' console tool, shipped beside Kestrel.exe. Kestrel itself is silent
// about a broken skin (the element just does not show); this tool reads a skin with Kestrel's own
// readers and loader and says what is wrong, or renders the composed indicator into a BMP file.
//
//   KestrelSkin check FOLDER NUMBER
//   KestrelSkin render FOLDER NUMBER OUTPUT.bmp [mode=M] [vertical] [percent=P] [state=S]
//               [minutes=N] [background=RRGGBB]
//
// FOLDER is laid out as an installation: IndicatorNN.dat in it, the images in FOLDER\Resource.
// check exits 0 for a clean skin, 1 when anything is wrong, 2 for a command it cannot run.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/AppState.h"
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
            "FOLDER holds IndicatorNN.dat and, in its Resource folder, the skin's images.\n");
    return ExitUsage;
}

// Points the program's folders at the skin author's folder, as start-up does for an installation.
bool UseFolder(const char *folder)
{
    return CopyText(appState.installFolder, PathSize, folder)
        && CopyText(appState.resourceFolder, PathSize, folder)
        && AppendText(appState.resourceFolder, PathSize, "\\Resource\\");
}

bool ParseNumber(const char *text, long long *value)
{
    char *end = NULL;
    *value = strtoll(text, &end, 0);
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

// Checks one key of a mode section and prints its line; returns the number of problems.
int CheckKey(const char *skinFile, const char *section, SkinElement element, BOOL horizontal, bool reachable,
             int bodyWidth, int bodyHeight, int *width, int *height)
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
    if (!SkinImagePath(appState.resourceFolder, name, path, sizeof path)) {
        printf("PROBLEM: %s: the resource folder and the name together exceed %u characters\n", name,
               PathSize - 1);
        return 1;
    }
    HBITMAP image = LoadSkinImage(path);
    if (!image) {
        printf("PROBLEM: %s does not load as a BMP image\n", name);
        return 1;
    }
    BITMAP info;
    GetObjectA(image, sizeof info, &info);
    DeleteObject(image);
    *width = info.bmWidth;
    *height = info.bmHeight;
    printf("%s, %d x %d", name, *width, *height);
    if (placed)
        printf(" at %d,%d", entry.x, entry.y);
    printf(", key %u,%u,%u", GetRValue(entry.colour), GetGValue(entry.colour), GetBValue(entry.colour));
    int problems = 0;
    if (placed && bodyWidth > 0
            && (entry.x < 0 || entry.y < 0 || entry.x + *width > bodyWidth || entry.y + *height > bodyHeight))
        printf("; note: reaches outside the %d x %d body", bodyWidth, bodyHeight);
    if (element == SkinDigits) {
        int cells = horizontal ? *width : *height;
        if (cells < 10) {
            printf("; PROBLEM: too small for ten glyphs");
            problems++;
        } else if (cells % 10) {
            printf("; note: %d is not a multiple of 10, the last %d %s never show", cells, cells % 10,
                   horizontal ? "columns" : "rows");
        }
    }
    printf("\n");
    return problems;
}

int Check(UINT number)
{
    char skinFile[PathSize];
    if (!SkinFilePath(appState.installFolder, number, skinFile, sizeof skinFile)) {
        fprintf(stderr, "KestrelSkin: the folder's name is too long\n");
        return ExitUsage;
    }
    IndicatorSkinInfo info;
    if (!info.Load(number)) {
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

    int problems = 0;
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
                problems += CheckKey(skinFile, layout.section, element, horizontal, reachable, bodyWidth, bodyHeight,
                                     &w, &h);
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

bool WriteBmp(const char *path, HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFOHEADER header;
    ZeroMemory(&header, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    header.biSizeImage = stride * (DWORD)height;
    BYTE *pixels = (BYTE *)malloc(header.biSizeImage);
    if (!pixels || !GetDIBits(dc, bitmap, 0, (UINT)height, pixels, (BITMAPINFO *)&header, DIB_RGB_COLORS)) {
        free(pixels);
        return false;
    }
    BITMAPFILEHEADER file;
    ZeroMemory(&file, sizeof file);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE *out = fopen(path, "wb");
    bool ok = out && fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1
        && fwrite(pixels, header.biSizeImage, 1, out) == 1;
    if (out && fclose(out) != 0)
        ok = false;
    free(pixels);
    return ok;
}

int Render(UINT number, const char *output, int argc, char **argv)
{
    long long mode = 3, percent = 57, state = OnBattery, minutes = 75, background = -1;
    BOOL horizontal = TRUE;
    for (int i = 0; i < argc; i++) {
        const char *arg = argv[i];
        long long *target = NULL;
        const char *value = strchr(arg, '=');
        if (strcmp(arg, "vertical") == 0) {
            horizontal = FALSE;
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

    IndicatorSkin skin(GetModuleHandleA(NULL));
    skin.Load(number, (DWORD)mode);
    int width = 0, height = 0;
    skin.GetSize(horizontal, &width, &height);
    if (width <= 0 || height <= 0) {
        fprintf(stderr, "KestrelSkin: skin %02u has no %s body in display mode %lld\n", number,
                horizontal ? "horizontal" : "vertical", mode);
        skin.Release();
        return ExitProblems;
    }
    int result = ExitUsage;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HBRUSH brush = background >= 0 ? CreateSolidBrush((COLORREF)background) : NULL;
    HGDIOBJ old = SelectObject(memory, picture);
    BOOL drawn = skin.Draw(memory, horizontal, (UINT)percent, (PowerState)state, (UINT)minutes, NULL, brush);
    SelectObject(memory, old);
    if (drawn && WriteBmp(output, memory, picture, width, height)) {
        printf("%s: skin %02u, display mode %lld, %s, %d x %d\n", output, number, mode,
               horizontal ? "horizontal" : "vertical", width, height);
        result = ExitClean;
    } else {
        fprintf(stderr, "KestrelSkin: cannot write %s\n", output);
    }
    if (brush)
        DeleteObject(brush);
    DeleteObject(picture);
    DeleteDC(memory);
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
    if (!UseFolder(argv[2])) {
        fprintf(stderr, "KestrelSkin: the folder's name is too long\n");
        return ExitUsage;
    }
    if (strcmp(argv[1], "check") == 0 && argc == 4)
        return Check((UINT)number);
    if (strcmp(argv[1], "render") == 0 && argc >= 5)
        return Render((UINT)number, argv[4], argc - 5, argv + 5);
    return Usage();
}
