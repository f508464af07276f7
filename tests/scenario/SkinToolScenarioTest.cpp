// The skin authors' tool as shipped in the installation: the shipped skins check clean, a broken
// one is named fault by fault, and a rendering is exactly what Kestrel draws.
#include "scenario/Scenario.h"

#include "indicator/IndicatorSkin.h"
#include "indicator/TestSkin.h"

namespace {

const std::string &Tool = SkinToolCommand, &Folder = SkinToolFolder;

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
                && testskin::WriteBmp(images + "Narrow.bmp", 9, 5, checks));
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
    const char *entries[][3] = {
        { "Indicator.General", "FixShowRestBatteryTime", "0" },
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
    EXPECT_EQ(1, RunProgram(Tool + "check " + Folder + "9", 30000, &output)) << output;
    const char *reasons[] = {
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
        // The sections with the time cannot be chosen for this skin: their absence is no fault.
        "[Indicator.Rbt] BodyH: absent (this section is not used",
    };
    for (const char *reason : reasons)
        EXPECT_NE(std::string::npos, output.find(reason)) << reason << " in\n" << output;
    EXPECT_EQ(1, RunProgram(Tool + "check " + Folder + "100", 30000, &output));
    EXPECT_TRUE(output.find("100 is not one the Indicator page lists") != std::string::npos
                && output.find("no such skin file") != std::string::npos) << output;
    EXPECT_EQ(2, RunProgram(Tool + "check", 30000, &output));
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
    UseInstalledFolders();
    IndicatorSkin skin(GetModuleHandleA(NULL));
    int w, h;
    ASSERT_TRUE(skin.Load(2, 3) && skin.GetSize(FALSE, &w, &h));
    // Kestrel knows the remaining time only on the battery: on AC power the counter never shows.
    const struct { int state; UINT minutes; } states[] = { { OnAcCharging, 0 }, { OnBattery, 123 }, { OnAc, 0 } };
    for (const auto &st : states) {
        HBITMAP rendered = Render("2 mode=3 vertical percent=40 minutes=123 state=" + std::to_string(st.state), file);
        ASSERT_TRUE(rendered != NULL) << st.state;
        BITMAP info;
        GetObjectA(rendered, sizeof info, &info);
        EXPECT_TRUE(info.bmWidth == w && info.bmHeight == h);
        {
            MemoryPicture expected(w, h), shown(rendered);
            ASSERT_TRUE(skin.Draw(expected.dc, FALSE, 40, (PowerState)st.state, st.minutes, NULL, NULL));
            const RECT all = { 0, 0, w, h };
            EXPECT_EQ(0, Differences(expected.dc, shown.dc, all)) << "state " << st.state;
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
        ASSERT_TRUE(m.Load(1, mode) && m.GetSize(TRUE, &w, &h));
        cellWidth = w > cellWidth ? w : cellWidth;
        cellHeight = h > cellHeight ? h : cellHeight;
        m.Release();
    }
    {
        MemoryPicture a(with), b(without);
        const int margin = 8;
        for (int row = 2; row < 4; row++) {
            const int top = margin + row * (cellHeight + margin);
            const RECT onAc = { margin, top, margin + 2 * (cellWidth + margin), top + cellHeight };
            const RECT onBattery = { onAc.right, top, onAc.right + cellWidth, top + cellHeight };
            EXPECT_EQ(0, Differences(a.dc, b.dc, onAc)) << "mode " << row;
            EXPECT_LT(0, Differences(a.dc, b.dc, onBattery)) << "mode " << row;
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

} // namespace
