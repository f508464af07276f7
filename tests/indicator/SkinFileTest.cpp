// The skin file readers against the platform's real profile reader: the entry syntaxes with their
// edge cases as one table, what absent and malformed entries give the caller, paths, and the catalogue.
#include <gtest/gtest.h>
#include <string>

#include "gfx/Text.h"
#include "indicator/IndicatorSkinInfo.h"
#include "indicator/SkinFile.h"
#include "indicator/TestSkin.h"

namespace {

const std::string Folder = testskin::FreshFolder("kestrel-skinfile");
const std::string File = Folder + "entries.dat";

TEST(SkinEntry, ReadsWellFormedEntriesAndRefusesTheRest)
{
    const std::string longName(259, 'n'), tooLong(260, 'n');
    const struct {
        const char *key;
        std::string value;   // empty: the key is not written
        BOOL placed;
        EntryResult result;
        int fields, x, y;
        COLORREF colour;
        const char *name;
    } cases[] = {
        { "BodyH", "255,0,255,BodyH.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(255, 0, 255), "BodyH.bmp" },
        { "GaugeH", "6,4,255,0,255,GaugeH.bmp", TRUE, EntryPresent, 6, 6, 4, RGB(255, 0, 255), "GaugeH.bmp" },
        { "GaugeV", "-3,-2,0,0,0,g.bmp", TRUE, EntryPresent, 6, -3, -2, 0, "g.bmp" },
        // Blanks after a comma are skipped; a blank before one ends the parse.
        { "B1", "1, 2, 3, b.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(1, 2, 3), "b.bmp" },
        { "B2", "1 ,2,3,b.bmp", FALSE, EntryMalformed, 1, 0, 0, 0, "" },
        // The name ends at the first blank; only the low 8 bits of a number count.
        { "B3", "255,0,255,my body.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(255, 0, 255), "my" },
        { "B4", "300,1,511,sub\\b.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(44, 1, 255), "sub\\b.bmp" },
        // A colour entry where a placed one belongs converts only three fields.
        { "G1", "255,0,255,g.bmp", TRUE, EntryMalformed, 3, 0, 0, 0, "" },
        { "G2", "6,4,255,0,255,", TRUE, EntryMalformed, 5, 0, 0, 0, "" },
        { "G3", "x,4,255,0,255,g.bmp", TRUE, EntryMalformed, 0, 0, 0, 0, "" },
        { "E1", " ", FALSE, EntryMalformed, 0, 0, 0, 0, "" },
        { "Missing", "", FALSE, EntryAbsent, 0, 0, 0, 0, "" },
        { "N1", "#NotFound#", FALSE, EntryAbsent, 0, 0, 0, 0, "" },
        { "N2", "#notfound#", FALSE, EntryMalformed, 0, 0, 0, 0, "" },
        // Names: 259 characters fit a path buffer; one more is never cut into another file's name.
        { "L1", "1,2,3," + longName, FALSE, EntryPresent, 4, 0, 0, RGB(1, 2, 3), longName.c_str() },
        { "L2", "1,2,3," + tooLong, FALSE, EntryNameTooLong, 4, 0, 0, 0, "" },
        // A value beyond 359 characters is cut: here inside the third number's field of blanks.
        { "L3", "1,2," + std::string(360, ' ') + "3,b.bmp", FALSE, EntryMalformed, 2, 0, 0, 0, "" },
    };
    DeleteFileA(File.c_str());
    for (const auto &c : cases)
        EXPECT_TRUE(c.value.empty() || WritePrivateProfileStringA("S", c.key, c.value.c_str(), File.c_str())) << c.key;
    for (const auto &c : cases) {
        SkinEntry entry;
        char name[SkinNameSize] = "untouched";
        EXPECT_EQ(c.result, ReadSkinEntry(File.c_str(), "S", c.key, c.placed, &entry, name, sizeof name)) << c.key;
        EXPECT_EQ(c.fields, entry.fieldsRead) << c.key;
        // The readers the program uses: the values, or the caller's defaults.
        int x = 99, y = 99;
        COLORREF colour = 99;
        const BOOL ok = c.placed
            ? ReadPlacedEntry(File.c_str(), "s", c.key, &x, &y, &colour, name, sizeof name, -7, -8, 77, "dflt")
            : ReadColorEntry(File.c_str(), "s", c.key, &colour, name, sizeof name, 77, "dflt");
        EXPECT_EQ(c.result == EntryPresent, ok) << c.key;
        EXPECT_STREQ(ok ? c.name : "dflt", name) << c.key;
        EXPECT_EQ(ok ? c.colour : 77, colour) << c.key;
        EXPECT_TRUE(!c.placed || (ok ? x == c.x && y == c.y : x == -7 && y == -8)) << c.key;
    }
    // A name that does not fit the caller's buffer is refused, never cut.
    char name[6] = "";
    COLORREF colour;
    EXPECT_FALSE(ReadColorEntry(File.c_str(), "S", "B1", &colour, name, 5));
    EXPECT_STREQ("", name);
    EXPECT_TRUE(ReadColorEntry(File.c_str(), "S", "B1", &colour, name, 6));
    EXPECT_STREQ("b.bmp", name);

    char path[PathSize];
    EXPECT_TRUE(SkinFilePath("C:\\K", 7, path, sizeof path) && !strcmp("C:\\K\\Indicator07.dat", path));
    EXPECT_TRUE(SkinFilePath("C:\\K", 100, path, sizeof path) && !strcmp("C:\\K\\Indicator100.dat", path));
    EXPECT_FALSE(SkinFilePath(std::string(250, 'k').c_str(), 1, path, sizeof path));
    EXPECT_TRUE(SkinImagePath("C:\\K\\Resource\\", "sub\\a.bmp", path, sizeof path));
    EXPECT_FALSE(SkinImagePath("C:\\K\\Resource\\", std::string(250, 'n').c_str(), path, sizeof path));
}

TEST(BitmapFileIsWhole, TheFileHoldsTheColourTableTheLoaderReads)
{
    // A 1 x 1 picture (4 bytes of pixels) without a pixel offset: the pixels follow the colour
    // table, which the loader takes as 2^bits entries, or as many as the header names up to 256,
    // at any depth.
    const struct { WORD bpp; DWORD colours, fileSize; BOOL whole; } cases[] = {
        { 24, 0, 54 + 4, TRUE }, { 24, 256, 54 + 4, FALSE }, { 24, 256, 54 + 1024 + 4, TRUE },
        { 1, 0, 54 + 8 + 4, TRUE }, { 1, 200, 54 + 8 + 4, FALSE }, { 1, 200, 54 + 800 + 4, TRUE },
        { 8, 1000, 54 + 1024 + 4, TRUE }, { 8, 1000, 54 + 1024 + 3, FALSE },
    };
    for (const auto &c : cases) {
        const BITMAPFILEHEADER file = { 0x4D42, c.fileSize, 0, 0, 0 };
        const BITMAPINFOHEADER info = { 40, 1, 1, 1, c.bpp, BI_RGB, 0, 0, 0, c.colours, 0 };
        BYTE head[sizeof file + sizeof info];
        memcpy(head, &file, sizeof file);
        memcpy(head + sizeof file, &info, sizeof info);
        EXPECT_EQ(c.whole, BitmapFileIsWhole(head, sizeof head, c.fileSize))
            << c.bpp << " bits, " << c.colours << " colours, " << c.fileSize << " bytes";
    }
}

TEST(BitmapFileFault, NoImageIsWiderOrHigherThanTheLargestASkinMayUse)
{
    // Uncompressed pixels are bounded by the file's size as well; run lengths only by the header's
    // own count, so a file of a kilobyte may claim any size.
    const LONG most = LargestSkinImage, huge = 0x7FFFFFFF;
    const struct { WORD bpp; DWORD compression; LONG width, height; DWORD fileSize; BitmapFault fault; } cases[] = {
        { 8, BI_RLE8, 8000, 8000, 1024, BitmapTooLarge }, { 4, BI_RLE4, huge, huge, 1024, BitmapTooLarge },
        { 8, BI_RLE8, most, most, 1024, BitmapWhole }, { 8, BI_RLE8, most + 1, 1, 1024, BitmapTooLarge },
        { 4, BI_RLE4, 1, most + 1, 1024, BitmapTooLarge }, { 24, BI_RGB, most, 1, 54 + 3 * most, BitmapWhole },
        { 24, BI_RGB, most + 1, 1, 54 + 3 * (most + 1) + 1, BitmapTooLarge },
        { 32, BI_RGB, 1, -most, 54 + 4 * most, BitmapWhole }, { 32, BI_RGB, 1, -most - 1, 1 << 20, BitmapTooLarge },
        { 8, BI_RLE8, -5, 5, 1024, BitmapNoPixels },
    };
    for (const auto &c : cases) {
        const DWORD colours = c.bpp <= 8 ? 2 : 0, offset = 14 + 40 + 4 * colours;
        const BITMAPFILEHEADER file = { 0x4D42, c.fileSize, 0, 0, offset };
        const BITMAPINFOHEADER info = { 40, c.width, c.height, 1, c.bpp, c.compression, c.fileSize - offset, 0, 0,
                                        colours, 0 };
        BYTE head[sizeof file + sizeof info];
        memcpy(head, &file, sizeof file);
        memcpy(head + sizeof file, &info, sizeof info);
        EXPECT_EQ(c.fault, BitmapFileFault(head, sizeof head, c.fileSize))
            << c.bpp << " bits, " << c.width << " x " << c.height << " in " << c.fileSize << " bytes";
    }
    // The old core header's sizes are 16 bits wide.
    const BITMAPFILEHEADER file = { 0x4D42, 1 << 20, 0, 0, 0 };
    const BITMAPCOREHEADER core = { 12, 0xFFFF, 1, 1, 24 };
    BYTE head[sizeof file + sizeof core];
    memcpy(head, &file, sizeof file);
    memcpy(head + sizeof file, &core, sizeof core);
    EXPECT_EQ(BitmapTooLarge, BitmapFileFault(head, sizeof head, 1 << 20));
}

TEST(SkinCatalogue, TitleAndFixesOfASkinFile)
{
    // A fix of 0 forces the box off (1 on, as the sheet scenario sees with the shipped skins), any
    // other value leaves the choice free; a title is cut to 29 characters.
    const std::string install = testskin::InstallFolderOf(Folder);
    const std::string title40 = "A title of exactly forty characters long", file = Folder + "Indicator04.dat";
    const char *const entries[][2] = { { "Title", title40.c_str() }, { "FixShowPowerStatusMark", "0" },
                                       { "FixShowRestBatteryTime", "2" } };
    for (const auto &e : entries)
        WritePrivateProfileStringA("Indicator.General", e[0], e[1], file.c_str());
    IndicatorSkinInfo info;
    char title[100];
    SkinFix mark = Free, time = ForcedOn;
    ASSERT_TRUE(info.Load(install.c_str(), 4) && info.GetInfo(title, sizeof title, &mark, &time));
    EXPECT_TRUE(title40.substr(0, 29) == title && mark == ForcedOff && time == Free) << title;
    // A fix is read as a whole number: what follows its leading digits is ignored, and a value
    // that does not start with one reads as 0.
    const struct { const char *value; SkinFix fix; } fixes[] = {
        { "1", ForcedOn }, { "0", ForcedOff }, { "yes", ForcedOff }, { "1x", ForcedOn }, { "01", ForcedOn },
        { "-1", Free }, { "10", Free }, { "", Free },
    };
    for (const auto &f : fixes) {
        WritePrivateProfileStringA("Indicator.General", "FixShowRestBatteryTime", f.value, file.c_str());
        EXPECT_TRUE(info.Load(install.c_str(), 4) && info.GetInfo(NULL, 0, &mark, &time) && time == f.fix)
            << '"' << f.value << '"';
    }
    // A number without a file: not valid, whatever was loaded before.
    EXPECT_FALSE(info.Load(install.c_str(), 43) || info.GetInfo(title, sizeof title, &mark, &time));
}

} // namespace
