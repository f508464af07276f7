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
        { 0xFFFFFFFF, OnAcCharging, 20 }, { 0, OnAc, 0 }, { 255, OnAc, 0 }, { 45, OnBattery, 30 },
        { 0, OnBattery, 22 }, { 100, OnBattery, 40 }, { 45, 7, 30 },
    };
    for (const auto &c : cases) {
        UINT pair[2] = { 99, 99 };
        IconPairFor(c.percent, (PowerState)c.state, pair);
        EXPECT_TRUE(pair[0] == c.first && pair[1] == c.first + 1) << c.percent << "% in state " << c.state;
    }
}

// What an icon shows over black, to compare icons by their pictures.
std::vector<COLORREF> Picture(HICON icon)
{
    HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(NULL, screen);
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

TEST_F(IconSet, EverySlotLoadedOrACopyOfTheFallbackNeverAShorterFile)
{
    ASSERT_TRUE(Load(Art, ArtResources));
    std::vector<std::vector<COLORREF>> pictures;
    for (UINT i = 0; i < IconSlotCount; i++) {
        pictures.push_back(Picture(set.Icon(i)));
        EXPECT_NE(fallbackPicture, pictures[i]) << IconSlotKeys[i] << " was not loaded";
        // The two pictures of a pair differ.
        EXPECT_TRUE(i % 2 == 0 || pictures[i - 1] != pictures[i]) << IconSlotKeys[i];
    }
    set.Release();
    ASSERT_TRUE(Load(ArtResources + "tray", ArtResources));   // no IndicatorIcon.dat there
    for (UINT i = 0; i < IconSlotCount; i++) {
        EXPECT_NE(fallback, set.Icon(i));   // a copy: the caller keeps its own
        EXPECT_EQ(fallbackPicture, Picture(set.Icon(i))) << IconSlotKeys[i];
    }
    set.Release();

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "kestrel-long-names\\";
    const std::string file = folder + "IndicatorIcon.dat";
    CreateDirectoryA(folder.c_str(), NULL);
    // A real icon whose whole path is 259 characters; one character more would be cut back into it.
    const std::string name = std::string(255 - folder.size(), 'n') + ".ico";
    ASSERT_TRUE(CopyFileA((ArtResources + "tray\\DC050to059_1.ico").c_str(), (folder + name).c_str(), FALSE));
    DeleteFileA(file.c_str());
    const std::string values[] = { name, name + "x", std::string(300, 'v') };
    for (UINT i = 0; i < 3; i++)
        WritePrivateProfileStringA("Indicator.Icon", IconSlotKeys[i], values[i].c_str(), file.c_str());
    ASSERT_TRUE(Load(folder.substr(0, folder.size() - 1), folder));
    EXPECT_EQ(pictures[32], Picture(set.Icon(0)));
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(1)));
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(2)));
}

TEST_F(IconSet, UpdateAndBlinkKeepThePhaseAndLoseNothing)
{
    EXPECT_FALSE(set.Update(50, OnBattery, "x"));   // nothing loaded yet
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
    EXPECT_EQ(gdi, CountGdiObjects());
    EXPECT_EQ(icons, CountIcons());
    tray.Remove();
    DestroyWindow(window);
}

} // namespace
