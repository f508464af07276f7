// The skin authors' tool as shipped in the installation: the shipped skins check clean, a broken
// one is named fault by fault, and a rendering is exactly what Kestrel draws.
#include "scenario/Scenario.h"

#include "indicator/IndicatorSkin.h"

namespace {

const std::string Tool = "\"" + std::string(InstallFolder) + "\\KestrelSkin.exe\" ";
const std::string Folder = "\"" + std::string(InstallFolder) + "\" ";

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
    const char *entries[][3] = {
        { "Indicator.General", "FixShowRestBatteryTime", "0" },
        { "Indicator.None", "BodyH", "255,0,255,Skin01\\BodyNoneH.bmp" },
        { "Indicator.None", "GaugeH", "6 ,4,255,0,255,Skin01\\GaugeH.bmp" },
        { "Indicator.None", "BodyV", "255,0,255,Skin01\\Nothing.bmp" },
        { "Indicator.None", "GaugeV", "255,0,255,Skin01\\GaugeV.bmp" },
        { "Indicator.Psm", "BodyH", "255,0,255,Skin01\\BodyPsmH.bmp" },
    };
    for (const auto &e : entries)
        WritePrivateProfileStringA(e[0], e[1], e[2], broken.c_str());
    EXPECT_EQ(1, RunProgram(Tool + "check " + Folder + "9", 30000, &output)) << output;
    const char *reasons[] = {
        "[Indicator.None] GaugeH: PROBLEM: malformed: the y (field 2)",
        "[Indicator.None] BodyV: PROBLEM: Skin01\\Nothing.bmp does not load",
        // A colour entry where a placed one belongs: its file name stands where green should.
        "[Indicator.None] GaugeV: PROBLEM: malformed: the green (field 4)",
        "[Indicator.Psm] GaugeH: PROBLEM: absent",
        // The sections with the time cannot be chosen for this skin: their absence is no fault.
        "[Indicator.Rbt] BodyH: absent (this section is not used",
    };
    for (const char *reason : reasons)
        EXPECT_NE(std::string::npos, output.find(reason)) << reason << " in\n" << output;
    EXPECT_EQ(1, RunProgram(Tool + "check " + Folder + "10", 30000, &output));
    EXPECT_NE(std::string::npos, output.find("no such skin file")) << output;
    EXPECT_EQ(2, RunProgram(Tool + "check", 30000, &output));
}

TEST_F(SkinTool, ARenderingIsWhatKestrelDraws)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "kestrel-render.bmp";
    std::string output;
    ASSERT_EQ(0, RunProgram(Tool + "render " + Folder + "2 \"" + file + "\" mode=3 vertical percent=40 state=1 minutes=123",
                            30000, &output)) << output;
    HBITMAP rendered = (HBITMAP)LoadImageA(NULL, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_TRUE(rendered != NULL);
    UseInstalledFolders();
    IndicatorSkin skin(GetModuleHandleA(NULL));
    int w, h;
    ASSERT_TRUE(skin.Load(2, 3) && skin.GetSize(FALSE, &w, &h));
    BITMAP info;
    GetObjectA(rendered, sizeof info, &info);
    EXPECT_TRUE(info.bmWidth == w && info.bmHeight == h);
    int different = 0;
    {
        MemoryPicture expected(w, h), shown(rendered);
        ASSERT_TRUE(skin.Draw(expected.dc, FALSE, 40, OnAcCharging, 123, NULL, NULL));
        for (int i = 0; i < w * h; i++)
            different += GetPixel(expected.dc, i % w, i / w) != GetPixel(shown.dc, i % w, i / w);
    }
    EXPECT_EQ(0, different);
    DeleteObject(rendered);
    skin.Release();
    DeleteFileA(file.c_str());
}

} // namespace
