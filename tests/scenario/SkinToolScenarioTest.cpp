// The skin authors' tool as shipped in the installation: the shipped skins check clean, a broken
// one is named fault by fault, and a rendering is exactly what Kestrel draws.
#include "scenario/Scenario.h"

#include "app/AppState.h"
#include "app/Text.h"
#include "indicator/IndicatorSkin.h"

namespace {

// Runs a program of the installation with its output sent to a file; returns the exit code.
int RunCapturing(const std::string &arguments, std::string *output)
{
    char temp[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "ksk", 0, file);
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, NULL, TRUE };
    HANDLE out = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);
    std::string line = "\"" + std::string(InstallFolder) + "\\KestrelSkin.exe\" " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info;
    DWORD code = (DWORD)-1;
    if (CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    CloseHandle(out);
    *output = ReadTextFile(file);
    DeleteFileA(file);
    return (int)code;
}

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

const std::string Folder = std::string("\"") + InstallFolder + "\"";

class SkinTool : public KestrelScenario {};

TEST_F(SkinTool, TheShippedSkinsAreCleanAndABrokenOneIsNamed)
{
    for (int n = 1; n <= 3; n++) {
        std::string output;
        EXPECT_EQ(0, RunCapturing("check " + Folder + " " + std::to_string(n), &output)) << output;
        EXPECT_TRUE(Contains(output, "\n0 problems")) << output;
        // Every image of all four display modes and both orientations was found.
        EXPECT_FALSE(Contains(output, "absent")) << output;
    }
    std::string output;

    const std::string broken = std::string(InstallFolder) + "\\Indicator09.dat";
    WritePrivateProfileStringA("Indicator.General", "FixShowRestBatteryTime", "0", broken.c_str());
    WritePrivateProfileStringA("Indicator.None", "BodyH", "255,0,255,Skin01\\BodyNoneH.bmp", broken.c_str());
    WritePrivateProfileStringA("Indicator.None", "GaugeH", "6 ,4,255,0,255,Skin01\\GaugeH.bmp", broken.c_str());
    WritePrivateProfileStringA("Indicator.None", "BodyV", "255,0,255,Skin01\\Nothing.bmp", broken.c_str());
    WritePrivateProfileStringA("Indicator.None", "GaugeV", "255,0,255,Skin01\\GaugeV.bmp", broken.c_str());
    WritePrivateProfileStringA("Indicator.Psm", "BodyH", "255,0,255,Skin01\\BodyPsmH.bmp", broken.c_str());
    EXPECT_EQ(1, RunCapturing("check " + Folder + " 9", &output)) << output;
    EXPECT_TRUE(Contains(output, "[Indicator.None] GaugeH: PROBLEM: malformed: the y (field 2)")) << output;
    EXPECT_TRUE(Contains(output, "[Indicator.None] BodyV: PROBLEM: Skin01\\Nothing.bmp does not load")) << output;
    // A colour entry where a placed one belongs: its file name stands where green should.
    EXPECT_TRUE(Contains(output, "[Indicator.None] GaugeV: PROBLEM: malformed: the green (field 4)")) << output;
    EXPECT_TRUE(Contains(output, "[Indicator.Psm] GaugeH: PROBLEM: absent")) << output;
    // The sections with the time cannot be chosen for this skin: their absence is no fault.
    EXPECT_TRUE(Contains(output, "[Indicator.Rbt] BodyH: absent (this section is not used")) << output;
    EXPECT_EQ(1, RunCapturing("check " + Folder + " 10", &output));
    EXPECT_TRUE(Contains(output, "no such skin file")) << output;
    EXPECT_EQ(2, RunCapturing("check", &output));
}

TEST_F(SkinTool, ARenderingIsWhatKestrelDraws)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "kestrel-render.bmp";
    DeleteFileA(file.c_str());
    std::string output;
    ASSERT_EQ(0, RunCapturing("render " + Folder + " 2 \"" + file + "\" mode=3 vertical percent=40 state=1 minutes=123",
                              &output)) << output;
    HBITMAP rendered = (HBITMAP)LoadImageA(NULL, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_TRUE(rendered != NULL);

    CopyText(appState.installFolder, PathSize, InstallFolder);
    CopyText(appState.resourceFolder, PathSize, (std::string(InstallFolder) + "\\Resource\\").c_str());
    IndicatorSkin skin(GetModuleHandleA(NULL));
    ASSERT_TRUE(skin.Load(2, 3));
    int w, h;
    ASSERT_TRUE(skin.GetSize(FALSE, &w, &h));
    BITMAP info;
    GetObjectA(rendered, sizeof info, &info);
    ASSERT_TRUE(info.bmWidth == w && info.bmHeight == h);
    int different = 0;
    {
        MemoryPicture expected(w, h), shown(rendered);
        ASSERT_TRUE(skin.Draw(expected.dc, FALSE, 40, OnAcCharging, 123, NULL, NULL));
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                different += GetPixel(expected.dc, x, y) != GetPixel(shown.dc, x, y);
    }
    EXPECT_EQ(0, different);
    DeleteObject(rendered);
    skin.Release();
    DeleteFileA(file.c_str());
}

} // namespace
