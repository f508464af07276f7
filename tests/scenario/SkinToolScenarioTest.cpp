// The skin authors' tool as shipped in the installation: the shipped skins check clean, a broken
// one is named fault by fault, and a rendering is exactly what Kestrel draws.
#include "scenario/Scenario.h"

#include <algorithm>

#include "indicator/IndicatorSkin.h"
#include "indicator/SkinFile.h"
#include "indicator/TestSkin.h"

namespace {

const std::string &Tool = SkinToolCommand, &Folder = SkinToolFolder;

// Runs the tool; its output with the console's line ends made plain.
int RunTool(const std::string &arguments, std::string *output)
{
    const int code = RunProgram(Tool + arguments, 30000, output);
    output->erase(std::remove(output->begin(), output->end(), '\r'), output->end());
    return code;
}

typedef KestrelWorld SkinTool;

TEST_F(SkinTool, TheShippedSkinsAreCleanAndABrokenOneIsNamed)
{
    std::string output;
    for (int n = 1; n <= 3; n++) {
        // Every image of all four display modes and both orientations was found.
        EXPECT_EQ(0, RunProgram(Tool + "check " + Folder + std::to_string(n), 30000, &output)) << output;
        EXPECT_TRUE(output.find("\n0 problems") != std::string::npos && output.find("absent") == std::string::npos)
            << output;
    }
    const std::string broken = std::string(InstallFolder) + "\\Indicator09.dat";
    const std::string images = std::string(InstallFolder) + "\\Resource\\Test\\";
    Restorer removed{ [&] {
        RemoveTree(images.substr(0, images.size() - 1));
        return DeleteFileA(broken.c_str()) != 0;
    } };
    // Images Kestrel refuses: too ragged a shape, a strip too narrow for ten digits, a file cut short,
    // an unknown depth, an unknown compression and a size beyond the largest.
    CreateDirectoryA(images.c_str(), NULL);
    auto checks = [](int x, int y) { return (x + y) % 2 ? 0 : RGB(255, 0, 255); };
    ASSERT_TRUE(testskin::WriteBmp(images + "Ragged.bmp", 202, 100, checks)
                && testskin::WriteBmp(images + "Narrow.bmp", 9, 5, checks)
                && testskin::WriteBmp(images + "Odd.bmp", 65, 7, checks));
    std::string bmp = ReadTextFile(images + "Narrow.bmp"), depth = bmp, packed = bmp;
    depth[28] = 2;
    packed[30] = BI_JPEG;
    // A kilobyte of run lengths whose header claims 8000 x 8000 pixels.
    const DWORD runs = 1024 - 14 - 40 - 8;
    const BITMAPFILEHEADER hugeFile = { 0x4D42, 1024, 0, 0, 14 + 40 + 8 };
    const BITMAPINFOHEADER hugeInfo = { 40, 8000, 8000, 1, 8, BI_RLE8, runs, 0, 0, 2, 0 };
    const std::string huge = std::string((const char *)&hugeFile, sizeof hugeFile)
        + std::string((const char *)&hugeInfo, sizeof hugeInfo) + std::string(8, '\xFF') + std::string(runs - 2, '\0')
        + std::string("\0\1", 2);
    ASSERT_TRUE(WriteTextFile(images + "Short.bmp", bmp.substr(0, bmp.size() - 4))
                && WriteTextFile(images + "Depth.bmp", depth) && WriteTextFile(images + "Packed.bmp", packed)
                && huge.size() == 1024 && WriteTextFile(images + "Huge.bmp", huge));
    // A name longer than a path, and one that only the resource folder makes too long.
    const std::string tooLong = std::string(260, 'n'), joinedTooLong = std::string(240, 'n');
    const std::string tooLongEntry = "0,0,255,0,255," + tooLong, joinedEntry = "0,0,255,0,255," + joinedTooLong;
    const char *entries[][3] = {
        { "Indicator.General", "FixShowRestBatteryTime", "0" },
        { "Indicator.Rbt", "RbtNumV", tooLongEntry.c_str() },
        { "Indicator.Rbt", "RbtMinV", joinedEntry.c_str() },
        { "Indicator.Psm.Rbt", "RbtNumH", "0,0,255,0,255,Test\\Odd.bmp" },
        { "Indicator.None", "BodyH", "255,0,255,Skin01\\BodyNoneH.bmp" },
        { "Indicator.None", "GaugeH", "6 ,4,255,0,255,Skin01\\GaugeH.bmp" },
        { "Indicator.None", "BodyV", "255,0,255,Skin01\\Nothing.bmp" },
        { "Indicator.None", "GaugeV", "255,0,255,Skin01\\GaugeV.bmp" },
        { "Indicator.Psm", "BodyH", "255,0,255,Skin01\\BodyPsmH.bmp" },
        { "Indicator.Psm", "BodyV", "255,0,255,Test\\Ragged.bmp" },
        { "Indicator.Psm", "PsmAcNoChargingH", "0,0,255,0,255,Test\\Short.bmp" },
        { "Indicator.Psm", "PsmAcChargingH", "0,0,255,0,255,Test\\Depth.bmp" },
        { "Indicator.Psm", "PsmDcH", "0,0,255,0,255,Test\\Packed.bmp" },
        { "Indicator.Psm", "PsmDcV", "0,0,1,2,3,Skin01\\PsmDc.bmp" },
        { "Indicator.Rbt", "RbtNumH", "0,0,255,0,255,Test\\Narrow.bmp" },
        { "Indicator.Rbt", "RbtMinH", "0,0,255,0,255,Test\\Huge.bmp" },
    };
    for (const auto &e : entries)
        WritePrivateProfileStringA(e[0], e[1], e[2], broken.c_str());
    EXPECT_EQ(1, RunTool("check " + Folder + "9", &output)) << output;
    const std::string reasons[] = {
        "[Indicator.General] Title: \"\"\n",
        "[Indicator.General] FixShowPowerStatusMark: the user chooses\n",
        "[Indicator.General] FixShowRestBatteryTime: never shown\n",
        "[Indicator.None] GaugeH: PROBLEM: malformed: the y (field 2)",
        "[Indicator.None] BodyV: PROBLEM: Skin01\\Nothing.bmp does not exist",
        // A colour entry where a placed one belongs: its file name stands where green should.
        "[Indicator.None] GaugeV: PROBLEM: malformed: the green (field 4)",
        "[Indicator.Psm] GaugeH: PROBLEM: absent",
        "[Indicator.Psm] BodyV: Test\\Ragged.bmp, 202 x 100, key 255,0,255; PROBLEM: its shape takes 10100 rectangles",
        "[Indicator.Psm] PsmAcNoChargingH: PROBLEM: Test\\Short.bmp is cut short",
        "[Indicator.Psm] PsmAcChargingH: PROBLEM: Test\\Depth.bmp has a colour depth Kestrel does not load",
        "[Indicator.Psm] PsmDcH: PROBLEM: Test\\Packed.bmp has a compression Kestrel does not load",
        "[Indicator.Psm] PsmDcV: Skin01\\PsmDc.bmp, 11 x 11 at 0,0, key 1,2,3; warning: the key colour appears nowhere",
        "[Indicator.Rbt] RbtNumH: Test\\Narrow.bmp, 9 x 5 at 0,0, key 255,0,255; PROBLEM: 9 pixels wide is too small",
        "[Indicator.Rbt] RbtMinH: PROBLEM: Test\\Huge.bmp is too large: Kestrel loads images of at most 1024 pixels",
        "[Indicator.Rbt] RbtNumV: PROBLEM: malformed: the file name is longer than 259 characters",
        "[Indicator.Rbt] RbtMinV: PROBLEM: " + joinedTooLong + ": the resource folder and the name together exceed 259",
        // A note is no problem: the strip's last five columns never show.
        "[Indicator.Psm.Rbt] RbtNumH: Test\\Odd.bmp, 65 x 7 at 0,0, key 255,0,255; note: 65 is not a multiple of 10, "
        "the last 5 columns never show\n",
        // The sections with the time cannot be chosen for this skin: their absence is no fault.
        "[Indicator.Rbt] BodyH: absent (this section is not used",
    };
    for (const std::string &reason : reasons)
        EXPECT_NE(std::string::npos, output.find(reason)) << reason << " in\n" << output;
    // The last line counts the problems the lines named.
    int named = 0;
    for (size_t at = output.find("PROBLEM"); at != std::string::npos; at = output.find("PROBLEM", at + 1))
        named++;
    EXPECT_NE(std::string::npos, output.find("\n" + std::to_string(named) + " problems\n")) << output;
    EXPECT_EQ(1, RunProgram(Tool + "check " + Folder + "100", 30000, &output));
    EXPECT_TRUE(output.find("100 is not one the Indicator page lists") != std::string::npos
                && output.find("no such skin file") != std::string::npos) << output;
    EXPECT_EQ(2, RunProgram(Tool + "check", 30000, &output));
}

int Lightness(COLORREF c) { return 30 * GetRValue(c) + 59 * GetGValue(c) + 11 * GetBValue(c); }

// A skin image of the installation, with the pixels of its key read as absent.
struct SkinImage {
    explicit SkinImage(const std::string &name) : bitmap(LoadSkinImage((Resources + name).c_str())), width(0), height(0)
    {
        BITMAP info;
        if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
            width = info.bmWidth;
            height = info.bmHeight;
        }
    }
    ~SkinImage() { DeleteObject(bitmap); }
    static const std::string Resources;
    HBITMAP bitmap;
    int width, height;
};
const std::string SkinImage::Resources = std::string(InstallFolder) + "\\Resource\\";

// Whether a body is lit from the top left: half way along each side its outermost pixel that is not
// the key is at least as light on the top as at the bottom, and on the left as on the right.
bool BodyLitFromTopLeft(const SkinImage &body, COLORREF key, std::string *why)
{
    MemoryDc picture(NULL, body.bitmap);
    int top = -1, bottom = -1, left = -1, right = -1;
    for (int y = 0; y < body.height; y++)
        if (GetPixel(picture.Dc(), body.width / 2, y) != key) {
            bottom = Lightness(GetPixel(picture.Dc(), body.width / 2, y));
            top = top < 0 ? bottom : top;
        }
    for (int x = 0; x < body.width; x++)
        if (GetPixel(picture.Dc(), x, body.height / 2) != key) {
            right = Lightness(GetPixel(picture.Dc(), x, body.height / 2));
            left = left < 0 ? right : left;
        }
    *why = "top " + std::to_string(top) + ", bottom " + std::to_string(bottom) + ", left " + std::to_string(left)
        + ", right " + std::to_string(right);
    return top >= 0 && left >= 0 && top >= bottom && left >= right;
}

// Whether the segments of a vertical gauge are lit from above: down its middle, every run of
// pixels that are not the key is at least as light at its top as at its bottom, one of them lighter.
bool SegmentsLitFromAbove(const SkinImage &gauge, COLORREF key)
{
    MemoryDc picture(NULL, gauge.bitmap);
    int runTop = -1, lighter = 0, darker = 0;
    for (int y = 0; y <= gauge.height; y++) {
        const COLORREF c = y < gauge.height ? GetPixel(picture.Dc(), gauge.width / 2, y) : key;
        if (c != key && runTop < 0)
            runTop = Lightness(c);
        if (c == key && runTop >= 0) {
            const int runBottom = Lightness(GetPixel(picture.Dc(), gauge.width / 2, y - 1));
            lighter += runTop > runBottom;
            darker += runTop < runBottom;
            runTop = -1;
        }
    }
    return lighter > 0 && darker == 0;
}

// The number of pixels in which two pictures differ within a rectangle.
int Differences(HDC a, HDC b, const RECT &area)
{
    int different = 0;
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            different += GetPixel(a, x, y) != GetPixel(b, x, y);
    return different;
}

// Renders with the tool into a temporary file and loads the picture; null when it did not.
HBITMAP Render(const std::string &arguments, const std::string &file)
{
    std::string output;
    EXPECT_EQ(0, RunProgram(Tool + "render " + Folder + arguments.substr(0, arguments.find(' ')) + " \"" + file
                            + "\"" + arguments.substr(arguments.find(' ')), 30000, &output)) << output;
    return (HBITMAP)LoadImageA(NULL, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

TEST_F(SkinTool, ARenderingIsWhatKestrelDrawsWithTheMinutesOnlyOnTheBattery)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "kestrel-render.bmp";
    IndicatorSkin skin(GetModuleHandleA(NULL));
    int w, h;
    ASSERT_TRUE(skin.Load(InstallFolder, InstalledResources, 2, 3) && skin.GetSize(FALSE, &w, &h));
    // Kestrel knows the remaining time only on the battery: on AC power the counter never shows.
    const struct { int state; UINT minutes; } states[] = { { OnAcCharging, 0 }, { OnBattery, 123 }, { OnAc, 0 } };
    for (const auto &st : states) {
        HBITMAP rendered = Render("2 mode=3 vertical percent=40 minutes=123 state=" + std::to_string(st.state), file);
        ASSERT_TRUE(rendered != NULL) << st.state;
        BITMAP info;
        GetObjectA(rendered, sizeof info, &info);
        EXPECT_TRUE(info.bmWidth == w && info.bmHeight == h);
        {
            MemoryDc expected(NULL, w, h), shown(NULL, rendered);
            ASSERT_TRUE(skin.Draw(expected.Dc(), FALSE, 40, (PowerState)st.state, st.minutes, NULL, NULL));
            const RECT all = { 0, 0, w, h };
            EXPECT_EQ(0, Differences(expected.Dc(), shown.Dc(), all)) << "state " << st.state;
        }
        DeleteObject(rendered);
    }
    skin.Release();

    // The contact sheet likewise: with and without minutes, its rows of the display modes with the
    // time differ only in the battery column. Cells are as wide as the widest horizontal body.
    HBITMAP with = Render("1 sheet minutes=75", file), without = Render("1 sheet minutes=0", file);
    ASSERT_TRUE(with && without);
    int cellWidth = 0, cellHeight = 0;
    for (DWORD mode = 0; mode < 4; mode++) {
        IndicatorSkin m(GetModuleHandleA(NULL));
        ASSERT_TRUE(m.Load(InstallFolder, InstalledResources, 1, mode) && m.GetSize(TRUE, &w, &h));
        cellWidth = w > cellWidth ? w : cellWidth;
        cellHeight = h > cellHeight ? h : cellHeight;
        m.Release();
    }
    {
        MemoryDc a(NULL, with), b(NULL, without);
        const int margin = 8;
        for (int row = 2; row < 4; row++) {
            const int top = margin + row * (cellHeight + margin);
            const RECT onAc = { margin, top, margin + 2 * (cellWidth + margin), top + cellHeight };
            const RECT onBattery = { onAc.right, top, onAc.right + cellWidth, top + cellHeight };
            EXPECT_EQ(0, Differences(a.Dc(), b.Dc(), onAc)) << "mode " << row;
            EXPECT_LT(0, Differences(a.Dc(), b.Dc(), onBattery)) << "mode " << row;
        }
    }
    DeleteObject(with);
    DeleteObject(without);
    DeleteFileA(file.c_str());

    // A picture that cannot be written is a failure of the command, not of its arguments.
    std::string output;
    EXPECT_EQ(1, RunProgram(Tool + "render " + Folder + "1 Z:\\no\\such\\folder\\x.bmp", 30000, &output)) << output;
    EXPECT_EQ(1, RunProgram(Tool + "render " + Folder + "1 Z:\\no\\such\\folder\\x.bmp sheet", 30000, &output))
        << output;
    EXPECT_EQ(2, RunProgram(Tool + "render " + Folder + "1 x.bmp percent=many", 30000, &output)) << output;
}

// new writes a starter skin that checks clean, and refuses a number or title the Indicator page
// could not list and a skin that exists already. The starter, like the shipped skins, is lit
// from the top left in both orientations: the bodies' light edges and the vertical segments' light
// rows on top. check takes notes for no problem.
TEST_F(SkinTool, NewWritesAStarterAndEverySkinIsLitFromTheTopLeftInBothOrientations)
{
    const std::string starter = std::string(InstallFolder) + "\\Indicator08.dat";
    const std::string other = std::string(InstallFolder) + "\\Indicator09.dat";
    Restorer removed{ [&] {
        RemoveTree(SkinImage::Resources + "Skin08");
        RemoveTree(SkinImage::Resources + "Skin09");
        return DeleteFileA(starter.c_str()) != 0 && DeleteFileA(other.c_str()) != 0;
    } };
    const std::string longest(29, 't');
    const struct { std::string arguments; int exitCode; const char *file; } runs[] = {
        { "8 \"First\"", 0, "Indicator08.dat" }, { "8 \"Second\"", 1, "Indicator08.dat" },
        { "100 \"Hundred\"", 2, "Indicator100.dat" }, { "9 \"" + longest + "t\"", 2, "Indicator09.dat" },
        { "9 \"" + longest + "\"", 0, "Indicator09.dat" },
    };
    std::string output;
    for (const auto &r : runs) {
        EXPECT_EQ(r.exitCode, RunTool("new " + Folder + r.arguments, &output)) << r.arguments;
        const std::string file = std::string(InstallFolder) + "\\" + r.file;
        EXPECT_EQ(r.exitCode != 2, GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) << r.arguments;
    }
    char title[64];
    GetPrivateProfileStringA("Indicator.General", "Title", "", title, sizeof title, starter.c_str());
    EXPECT_STREQ("First", title);   // the second run left it alone
    EXPECT_EQ(0, RunTool("check " + Folder + "9", &output)) << output;
    EXPECT_NE(std::string::npos, output.find("Title: \"" + longest + "\"\n")) << output;
    // Every mode of a starter is free to choose, all of its entries are there, and a note is no problem.
    WritePrivateProfileStringA("Indicator.None", "GaugeH", "200,4,255,0,255,Skin08\\GaugeH.bmp", starter.c_str());
    EXPECT_EQ(0, RunTool("check " + Folder + "8", &output)) << output;
    EXPECT_TRUE(output.find("FixShowPowerStatusMark: the user chooses") != std::string::npos
                && output.find("FixShowRestBatteryTime: the user chooses") != std::string::npos
                && output.find("absent") == std::string::npos && output.find("\n0 problems\n") != std::string::npos
                && output.find("[Indicator.None] GaugeH: Skin08\\GaugeH.bmp, 30 x 9 at 200,4, key 255,0,255; note: "
                               "reaches outside the") != std::string::npos) << output;

    for (const char *file : { "Indicator01.dat", "Indicator02.dat", "Indicator03.dat", "Indicator08.dat" }) {
        const std::string skin = std::string(InstallFolder) + "\\" + file;
        for (DWORD mode = 0; mode < 4; mode++) {
            const SkinModeLayout layout = SkinLayoutFor(mode);
            for (const char *key : { "BodyH", "BodyV" }) {
                COLORREF colour;
                char name[SkinNameSize];
                ASSERT_TRUE(ReadColorEntry(skin.c_str(), layout.section, key, &colour, name, sizeof name)) << file;
                SkinImage body(name);
                std::string why;
                ASSERT_TRUE(body.bitmap != NULL) << name;
                EXPECT_TRUE(BodyLitFromTopLeft(body, colour, &why)) << name << ": " << why;
            }
            int x, y;
            COLORREF colour;
            char name[SkinNameSize];
            ASSERT_TRUE(ReadPlacedEntry(skin.c_str(), layout.section, "GaugeV", &x, &y, &colour, name, sizeof name));
            SkinImage gauge(name);
            EXPECT_TRUE(gauge.bitmap && SegmentsLitFromAbove(gauge, colour)) << name;
        }
    }
}

} // namespace
