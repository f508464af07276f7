// The skin file readers against the platform's real profile reader: the entry syntaxes with their
// edge cases as one table, what absent and malformed entries give the caller, and the catalogue.
#include <gtest/gtest.h>
#include <string>

#include "app/AppState.h"
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
        int fields;
        int x, y;
        COLORREF colour;
        const char *name;
    } cases[] = {
        { "BodyH", "255,0,255,BodyH.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(255, 0, 255), "BodyH.bmp" },
        { "GaugeH", "6,4,255,0,255,GaugeH.bmp", TRUE, EntryPresent, 6, 6, 4, RGB(255, 0, 255), "GaugeH.bmp" },
        { "GaugeV", "-3,-2,0,0,0,g.bmp", TRUE, EntryPresent, 6, -3, -2, 0, "g.bmp" },
        // Blanks after a comma are skipped; a blank before one ends the parse.
        { "B1", "1, 2, 3, b.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(1, 2, 3), "b.bmp" },
        { "B2", "1 ,2,3,b.bmp", FALSE, EntryMalformed, 1, 0, 0, 0, "" },
        // The name ends at the first blank; the rest is ignored.
        { "B3", "255,0,255,my body.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(255, 0, 255), "my" },
        { "B4", "256,0,511,b.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(0, 0, 255), "b.bmp" },
        { "B5", "300,1,2,sub\\b.bmp", FALSE, EntryPresent, 4, 0, 0, RGB(44, 1, 2), "sub\\b.bmp" },
        // A colour entry where a placed one belongs converts only three fields.
        { "G1", "255,0,255,g.bmp", TRUE, EntryMalformed, 3, 0, 0, 0, "" },
        { "G2", "6,4,255,0,255", TRUE, EntryMalformed, 5, 0, 0, 0, "" },
        { "G3", "x,4,255,0,255,g.bmp", TRUE, EntryMalformed, 0, 0, 0, 0, "" },
        { "G4", "6,4,255,0,255,", TRUE, EntryMalformed, 5, 0, 0, 0, "" },
        { "E1", " ", FALSE, EntryMalformed, 0, 0, 0, 0, "" },
        { "Missing", "", FALSE, EntryAbsent, 0, 0, 0, 0, "" },
        { "N1", "#NotFound#", FALSE, EntryAbsent, 0, 0, 0, 0, "" },
        { "N2", "#notfound#", FALSE, EntryMalformed, 0, 0, 0, 0, "" },
        // Names: 259 characters fit a path buffer; one more never is cut into another file's name.
        { "L1", "1,2,3," + longName, FALSE, EntryPresent, 4, 0, 0, RGB(1, 2, 3), longName.c_str() },
        { "L2", "1,2,3," + tooLong, FALSE, EntryNameTooLong, 4, 0, 0, 0, "" },
        // A value beyond 359 characters is cut: here inside the third number's field... of blanks.
        { "L3", "1,2," + std::string(360, ' ') + "3,b.bmp", FALSE, EntryMalformed, 2, 0, 0, 0, "" },
    };
    DeleteFileA(File.c_str());
    for (const auto &c : cases) {
        if (!c.value.empty()) {
            ASSERT_TRUE(WritePrivateProfileStringA("S", c.key, c.value.c_str(), File.c_str()));
        }
    }

    for (const auto &c : cases) {
        SkinEntry entry;
        char name[SkinNameSize] = "untouched";
        EXPECT_EQ(c.result, ReadSkinEntry(File.c_str(), "S", c.key, c.placed, &entry, name, sizeof name)) << c.key;
        EXPECT_EQ(c.fields, entry.fieldsRead) << c.key;

        // The readers the program uses: the values, or the caller's defaults.
        int x = 99, y = 99;
        COLORREF colour = 99;
        BOOL ok = c.placed
            ? ReadPlacedEntry(File.c_str(), "s", c.key, &x, &y, &colour, name, sizeof name, -7, -8, 77, "dflt")
            : ReadColorEntry(File.c_str(), "s", c.key, &colour, name, sizeof name, 77, "dflt");
        EXPECT_EQ(c.result == EntryPresent, ok) << c.key;
        if (ok) {
            EXPECT_STREQ(c.name, name) << c.key;
            EXPECT_EQ(c.colour, colour) << c.key;
            EXPECT_TRUE(!c.placed || (x == c.x && y == c.y)) << c.key;
        } else {
            EXPECT_STREQ("dflt", name) << c.key;
            EXPECT_EQ(77u, colour) << c.key;
            EXPECT_TRUE(!c.placed || (x == -7 && y == -8)) << c.key;
        }
        // Without defaults a failed entry gives an empty name and zeros.
        if (!ok && c.placed) {
            ReadPlacedEntry(File.c_str(), "S", c.key, &x, &y, &colour, name, sizeof name);
            EXPECT_TRUE(x == 0 && y == 0 && colour == 0 && name[0] == '\0') << c.key;
        }
    }

    // A name that does not fit the caller's buffer is refused, never cut.
    char name[6] = "";
    COLORREF colour;
    EXPECT_FALSE(ReadColorEntry(File.c_str(), "S", "B4", &colour, name, 5));
    EXPECT_STREQ("", name);
    EXPECT_TRUE(ReadColorEntry(File.c_str(), "S", "B4", &colour, name, 6));
    EXPECT_STREQ("b.bmp", name);
}

TEST(SkinEntry, PathsKeysAndSectionsByMode)
{
    char path[PathSize];
    EXPECT_TRUE(SkinFilePath("C:\\K", 7, path, sizeof path));
    EXPECT_STREQ("C:\\K\\Indicator07.dat", path);
    EXPECT_TRUE(SkinFilePath("C:\\K", 100, path, sizeof path));
    EXPECT_STREQ("C:\\K\\Indicator100.dat", path);
    EXPECT_FALSE(SkinFilePath(std::string(250, 'k').c_str(), 1, path, sizeof path));
    EXPECT_TRUE(SkinImagePath("C:\\K\\Resource\\", "sub\\a.bmp", path, sizeof path));
    EXPECT_STREQ("C:\\K\\Resource\\sub\\a.bmp", path);
    EXPECT_FALSE(SkinImagePath("C:\\K\\Resource\\", std::string(250, 'n').c_str(), path, sizeof path));

    char key[32];
    SkinElementKey(SkinMarkBattery, TRUE, key, sizeof key);
    EXPECT_STREQ("PsmDcH", key);
    SkinElementKey(SkinLabel, FALSE, key, sizeof key);
    EXPECT_STREQ("RbtMinV", key);

    const struct { DWORD mode; const char *section; BOOL marks, time; } modes[] = {
        { 0, "Indicator.None", FALSE, FALSE }, { 1, "Indicator.Psm", TRUE, FALSE },
        { 2, "Indicator.Rbt", FALSE, TRUE }, { 3, "Indicator.Psm.Rbt", TRUE, TRUE },
        { 4, "Indicator.Psm.Rbt", TRUE, TRUE }, { 0xFFFFFFFF, "Indicator.Psm.Rbt", TRUE, TRUE },
    };
    for (const auto &m : modes) {
        SkinModeLayout layout = SkinLayoutFor(m.mode);
        EXPECT_STREQ(m.section, layout.section);
        EXPECT_TRUE(SkinModeReads(layout, SkinBody) && SkinModeReads(layout, SkinGauge));
        EXPECT_EQ(m.marks, SkinModeReads(layout, SkinMarkAcCharging)) << m.mode;
        EXPECT_EQ(m.time, SkinModeReads(layout, SkinLabel)) << m.mode;
    }
}

TEST(SkinCatalogue, TitleAndFixesOfEachSkinFile)
{
    testskin::UseFolder(Folder);
    const std::string title40 = "A title of exactly forty characters long";
    ASSERT_EQ(40u, title40.size());
    const struct { UINT number; const char *title; const char *mark; const char *time; SkinFix markFix, timeFix; } skins[] = {
        { 3, "Slim gauge", "1", "0", ForcedOn, ForcedOff },
        { 4, title40.c_str(), "2", NULL, Free, Free },
        { 42, NULL, "-1", "1", Free, ForcedOn },
    };
    for (const auto &s : skins) {
        char name[32];
        wsprintfA(name, "Indicator%02u.dat", s.number);
        std::string file = Folder + name;
        DeleteFileA(file.c_str());
        WritePrivateProfileStringA("Other", "Key", "1", file.c_str());
        if (s.title)
            WritePrivateProfileStringA("Indicator.General", "Title", s.title, file.c_str());
        WritePrivateProfileStringA("Indicator.General", "FixShowPowerStatusMark", s.mark, file.c_str());
        if (s.time)
            WritePrivateProfileStringA("Indicator.General", "FixShowRestBatteryTime", s.time, file.c_str());
    }

    IndicatorSkinInfo info;
    char title[100];
    SkinFix mark = Free, time = Free;
    SetLastError(0);
    EXPECT_FALSE(info.GetInfo(title, sizeof title, &mark, &time));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());

    ASSERT_TRUE(info.Load(3));
    ASSERT_TRUE(info.GetInfo(title, sizeof title, &mark, &time));
    EXPECT_STREQ("Slim gauge", title);
    EXPECT_TRUE(mark == ForcedOn && time == ForcedOff);

    ASSERT_TRUE(info.Load(4));
    ASSERT_TRUE(info.GetInfo(title, sizeof title, &mark, &time));
    EXPECT_EQ(title40.substr(0, 29), title);
    EXPECT_TRUE(mark == Free && time == Free);
    ASSERT_TRUE(info.GetInfo(title, 5, NULL, NULL));
    EXPECT_STREQ("A ti", title);

    ASSERT_TRUE(info.Load(42));
    ASSERT_TRUE(info.GetInfo(title, sizeof title, &mark, &time));
    EXPECT_TRUE(title[0] == '\0' && mark == Free && time == ForcedOn);

    // A number without a file: not valid, whatever was loaded before.
    EXPECT_FALSE(info.Load(43));
    EXPECT_FALSE(info.GetInfo(title, sizeof title, &mark, &time));
    // A file without the general section is valid, titled "" and free.
    std::string bare = Folder + "Indicator44.dat";
    WritePrivateProfileStringA("Indicator.Psm", "BodyH", "255,0,255,b.bmp", bare.c_str());
    ASSERT_TRUE(info.Load(44));
    ASSERT_TRUE(info.GetInfo(title, sizeof title, &mark, &time));
    EXPECT_TRUE(title[0] == '\0' && mark == Free && time == Free);
}

} // namespace
