// The tray picture set: the band choice, loading from the shipped icon file, a missing one and one
// with names too long to use, and the pictures it hands to a real notification-area icon.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/GdiCount.h"
#include "indicator/BatteryIconSet.h"
#include "res/resource.h"

namespace {

TEST(IconPairFor, ChoosesTheBandOfTenAndTheSourcesPictures)
{
    const struct { UINT percent; int state; UINT first; } cases[] = {
        { 100, OnAcCharging, 20 }, { 90, OnAcCharging, 20 }, { 89, OnAcCharging, 18 },
        { 10, OnAcCharging, 4 }, { 9, OnAcCharging, 2 }, { 101, OnAcCharging, 20 },
        { 0xFFFFFFFF, OnAcCharging, 20 }, { 0, OnAc, 0 }, { 255, OnAc, 0 },
        { 45, OnBattery, 30 }, { 0, OnBattery, 22 }, { 100, OnBattery, 40 }, { 45, 7, 30 },
    };
    for (const auto &c : cases) {
        UINT pair[2] = { 99, 99 };
        IconPairFor(c.percent, (PowerState)c.state, pair);
        EXPECT_EQ(c.first, pair[0]) << c.percent << "% in state " << c.state;
        EXPECT_EQ(c.first + 1, pair[1]) << c.percent << "% in state " << c.state;
    }
}

// What an icon shows over a fixed background, to compare icons by their pictures.
std::vector<COLORREF> Picture(HICON icon)
{
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(NULL, screen);
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, 16, 16, BLACKNESS);
    DrawIconEx(memory, 0, 0, icon, 16, 16, 0, NULL, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int i = 0; i < 256; i++)
        pixels.push_back(GetPixel(memory, i % 16, i / 16));
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return pixels;
}

const std::string Art = KESTREL_ART_DIR, ArtResources = Art + "\\";

class IconSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        fallback = (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APPLICATION_ICON),
                                     IMAGE_ICON, 16, 16, 0);
        ASSERT_TRUE(fallback != NULL);
        fallbackPicture = Picture(fallback);
    }
    void TearDown() override
    {
        set.Release();
        DestroyIcon(fallback);
    }
    BOOL Load(const std::string &install, const std::string &resources)
    {
        return set.Load(GetModuleHandleA(NULL), &tray, fallback, install.c_str(), resources.c_str());
    }
    HICON fallback;
    std::vector<COLORREF> fallbackPicture;
    TrayIcon tray;
    BatteryIconSet set;
};

TEST_F(IconSet, ShippedFileGivesDistinctPicturesAMissingOneCopiesOfTheFallback)
{
    ASSERT_TRUE(Load(Art, ArtResources));
    SetLastError(0);
    EXPECT_FALSE(Load(Art, ArtResources));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
    std::vector<std::vector<COLORREF>> pictures;
    for (UINT i = 0; i < IconSlotCount; i++) {
        pictures.push_back(Picture(set.Icon(i)));
        EXPECT_NE(fallbackPicture, pictures[i]) << IconSlotKeys[i] << " was not loaded";
    }
    for (UINT i = 0; i < IconSlotCount; i += 2)   // the two pictures of each pair differ
        EXPECT_NE(pictures[i], pictures[i + 1]) << IconSlotKeys[i];
    for (UINT i = 22; i < IconSlotCount; i++)     // no two battery pictures look alike
        for (UINT j = i + 1; j < IconSlotCount; j++)
            EXPECT_NE(pictures[i], pictures[j]) << IconSlotKeys[i] << " and " << IconSlotKeys[j];

    set.Release();
    ASSERT_TRUE(Load(ArtResources + "tray", ArtResources));   // no IndicatorIcon.dat there
    for (UINT i = 0; i < IconSlotCount; i++) {
        EXPECT_NE(fallback, set.Icon(i));   // a copy: the caller keeps its own
        EXPECT_EQ(fallbackPicture, Picture(set.Icon(i))) << IconSlotKeys[i];
    }
}

TEST_F(IconSet, NamesTooLongForAPathTakeTheFallbackNeverAShorterFile)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "kestrel-long-names\\";
    CreateDirectoryA(folder.c_str(), NULL);
    // A real icon whose whole path is 259 characters; one character more would be cut back into it.
    std::string name = std::string(255 - folder.size(), 'n') + ".ico";
    ASSERT_TRUE(CopyFileA((ArtResources + "tray\\DC050to059_1.ico").c_str(), (folder + name).c_str(), FALSE));
    std::string file = folder + "IndicatorIcon.dat";
    DeleteFileA(file.c_str());
    WritePrivateProfileStringA("Indicator.Icon", "ACNoCharging_1", name.c_str(), file.c_str());
    WritePrivateProfileStringA("Indicator.Icon", "ACNoCharging_2", (name + "x").c_str(), file.c_str());
    WritePrivateProfileStringA("Indicator.Icon", "ACCharging000to009_1", std::string(300, 'v').c_str(),
                               file.c_str());
    ASSERT_TRUE(Load(folder.substr(0, folder.size() - 1), folder));
    EXPECT_NE(fallbackPicture, Picture(set.Icon(0)));
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(1)));
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(2)));
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(3)));   // no key
}

TEST_F(IconSet, UpdateAndBlinkKeepThePhaseAndLoseNothing)
{
    SetLastError(0);
    EXPECT_FALSE(set.Update(50, OnBattery, "x"));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
    ASSERT_TRUE(Load(Art, ArtResources));
    // Not in the notification area: the pair and phase still follow, nothing is shown.
    EXPECT_FALSE(set.Update(55, OnAcCharging, "charging"));
    EXPECT_FALSE(set.Blink());
    EXPECT_EQ(set.Icon(13), set.Shown());

    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(tray.Add(window, 0x8064, 0, NULL, NULL)) << "no notification area?";
    EXPECT_TRUE(set.Update(45, OnBattery, "battery"));
    EXPECT_EQ(set.Icon(31), tray.Icon());   // the second picture, as before the change
    EXPECT_TRUE(set.Blink());
    EXPECT_EQ(set.Icon(30), tray.Icon());
    EXPECT_STREQ("battery", tray.Tip());    // blinking keeps the tooltip

    UINT gdi = CountGdiObjects(), icons = CountIcons();
    for (int i = 0; i < 1000; i++) {
        set.Update((UINT)(i % 120), (PowerState)(i % 3), "status");
        set.Blink();
    }
    set.Release();
    ASSERT_TRUE(Load(Art, ArtResources));
    set.Release();
    ASSERT_TRUE(Load(Art, ArtResources));
    EXPECT_EQ(gdi, CountGdiObjects());
    EXPECT_EQ(icons, CountIcons());
    tray.Remove();
    DestroyWindow(window);
}

} // namespace
