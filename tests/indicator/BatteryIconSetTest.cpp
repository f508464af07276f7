// The tray picture set: the band choice, loading from an icon file (the shipped one, a missing one,
// one with names too long to use), and the pictures it hands to a real notification-area icon.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/GdiCount.h"
#include "indicator/BatteryIconSet.h"
#include "res/resource.h"

namespace {

struct PairCase {
    UINT percent;
    PowerState state;
    UINT first;
};

TEST(IconPairFor, ChoosesTheBandOfTenAndTheSourcesPictures)
{
    const PairCase cases[] = {
        { 100, OnAcCharging, 20 }, { 90, OnAcCharging, 20 }, { 89, OnAcCharging, 18 },
        { 10, OnAcCharging, 4 },   { 9, OnAcCharging, 2 },   { 0, OnAcCharging, 2 },
        { 101, OnAcCharging, 20 }, { 0xFFFFFFFF, OnAcCharging, 20 },
        { 0, OnAc, 0 },            { 55, OnAc, 0 },          { 255, OnAc, 0 },
        { 45, OnBattery, 30 },     { 0, OnBattery, 22 },     { 100, OnBattery, 40 },
        { 19, OnBattery, 24 },     { 20, OnBattery, 26 },
        { 45, (PowerState)7, 30 }, { 45, (PowerState)-1, 30 },
    };
    for (const PairCase &c : cases) {
        UINT pair[2] = { 99, 99 };
        IconPairFor(c.percent, c.state, pair);
        EXPECT_EQ(c.first, pair[0]) << c.percent << "% in state " << (int)c.state;
        EXPECT_EQ(c.first + 1, pair[1]) << c.percent << "% in state " << (int)c.state;
    }
}

// A 16 x 16 picture of an icon drawn over a fixed background, to compare icons by what they show.
std::vector<COLORREF> Picture(HICON icon)
{
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(NULL, screen);
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = { 0, 0, 16, 16 };
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, 16, 16, 0, NULL, DI_NORMAL);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
            pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return pixels;
}

std::string TempFolder(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

class IconSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        fallback = (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APPLICATION_ICON),
                                     IMAGE_ICON, 16, 16, 0);
        ASSERT_TRUE(fallback != NULL);
    }
    void TearDown() override
    {
        set.Release();
        DestroyIcon(fallback);
    }
    HICON fallback;
    TrayIcon tray;
    BatteryIconSet set;
};

const char ArtFolder[] = KESTREL_ART_DIR;
const std::string ArtResources = std::string(KESTREL_ART_DIR) + "\\";

TEST_F(IconSet, ShippedIconFileGivesEverySlotItsOwnPicture)
{
    ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, fallback, ArtFolder, ArtResources.c_str()));
    SetLastError(0);
    EXPECT_FALSE(set.Load(GetModuleHandleA(NULL), &tray, fallback, ArtFolder, ArtResources.c_str()));
    EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());

    std::vector<COLORREF> fallbackPicture = Picture(fallback);
    std::vector<std::vector<COLORREF>> pictures;
    for (UINT i = 0; i < IconSlotCount; i++) {
        ASSERT_TRUE(set.Icon(i) != NULL) << IconSlotKeys[i];
        pictures.push_back(Picture(set.Icon(i)));
        EXPECT_NE(fallbackPicture, pictures[i]) << IconSlotKeys[i] << " was not loaded";
    }
    // The two pictures of every pair differ, and no two battery bands look alike.
    for (UINT i = 0; i < IconSlotCount; i += 2)
        EXPECT_NE(pictures[i], pictures[i + 1]) << IconSlotKeys[i];
    for (UINT i = 22; i < IconSlotCount; i++)
        for (UINT j = i + 1; j < IconSlotCount; j++)
            EXPECT_NE(pictures[i], pictures[j]) << IconSlotKeys[i] << " and " << IconSlotKeys[j];

    // Each key names its own file.
    std::string iconFile = std::string(ArtFolder) + "\\IndicatorIcon.dat";
    for (UINT i = 0; i < IconSlotCount; i++) {
        char value[300];
        GetPrivateProfileStringA("Indicator.Icon", IconSlotKeys[i], "", value, sizeof value, iconFile.c_str());
        EXPECT_EQ(std::string("tray\\") + IconSlotKeys[i] + ".ico", value);
    }
}

TEST_F(IconSet, MissingIconFileGivesCopiesOfTheFallback)
{
    std::string nowhere = TempFolder("kestrel-no-icons");
    ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, fallback, nowhere.c_str(), ArtResources.c_str()));
    std::vector<COLORREF> fallbackPicture = Picture(fallback);
    for (UINT i = 0; i < IconSlotCount; i++) {
        ASSERT_TRUE(set.Icon(i) != NULL);
        EXPECT_NE(fallback, set.Icon(i));   // a copy: the caller keeps its own
        EXPECT_EQ(fallbackPicture, Picture(set.Icon(i)));
        for (UINT j = 0; j < i; j++)
            EXPECT_NE(set.Icon(j), set.Icon(i));
    }
    // Releasing the set leaves the caller's icon alive.
    set.Release();
    EXPECT_TRUE(set.Icon(0) == NULL);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(fallback, &info));
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
}

TEST_F(IconSet, NamesTooLongForAPathTakeTheFallbackNeverAShorterFile)
{
    // A resource folder with a real icon file whose whole path is exactly 259 characters long.
    std::string folder = TempFolder("kestrel-long-names") + "\\";
    std::string longName(259 - folder.size() - 4, 'n');
    longName += ".ico";
    ASSERT_EQ(259u, folder.size() + longName.size());
    std::string source = ArtResources + "tray\\DC050to059_1.ico";
    ASSERT_TRUE(CopyFileA(source.c_str(), (folder + longName).c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(source.c_str(), (folder + "short.ico").c_str(), FALSE));

    std::string iconFile = folder + "IndicatorIcon.dat";
    DeleteFileA(iconFile.c_str());
    // Slot 0: the 259-character path, which fits. Slot 1: one character more, which a cut at 259
    // would turn into that same file. Slot 2: a value of 300 characters. Slot 3: an empty value.
    // Slot 4: a plain short name.
    WritePrivateProfileStringA("Indicator.Icon", "ACNoCharging_1", longName.c_str(), iconFile.c_str());
    WritePrivateProfileStringA("Indicator.Icon", "ACNoCharging_2", (longName + "x").c_str(), iconFile.c_str());
    WritePrivateProfileStringA("Indicator.Icon", "ACCharging000to009_1", std::string(300, 'v').c_str(),
                               iconFile.c_str());
    WritePrivateProfileStringA("Indicator.Icon", "ACCharging000to009_2", "", iconFile.c_str());
    WritePrivateProfileStringA("Indicator.Icon", "ACCharging010to019_1", "short.ico", iconFile.c_str());
    std::string install = folder.substr(0, folder.size() - 1);

    ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, fallback, install.c_str(), folder.c_str()));
    std::vector<COLORREF> fallbackPicture = Picture(fallback);
    std::vector<COLORREF> shipped = Picture(set.Icon(4));
    EXPECT_NE(fallbackPicture, shipped);                  // "short.ico" loads
    EXPECT_EQ(shipped, Picture(set.Icon(0)));             // so does the 259-character path
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(1)));     // one more is refused, not cut
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(2)));
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(3)));

    // An installation folder too long for the icon file's path reads no file at all.
    set.Release();
    std::string deep(255, 'd');
    ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, fallback, deep.c_str(), folder.c_str()));
    EXPECT_EQ(fallbackPicture, Picture(set.Icon(4)));
}

TEST_F(IconSet, UpdateAndBlinkShowThePairKeepingThePhase)
{
    SetLastError(0);
    EXPECT_FALSE(set.Update(50, OnBattery, "x"));
    EXPECT_EQ((DWORD)ERROR_NOT_READY, GetLastError());
    EXPECT_FALSE(set.Blink());

    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, fallback, ArtFolder, ArtResources.c_str()));
    EXPECT_EQ(set.Icon(0), set.Shown());

    // Not in the notification area: the pair and phase still follow, nothing is shown.
    EXPECT_FALSE(set.Update(55, OnAcCharging, "charging"));
    EXPECT_EQ(set.Icon(12), set.Shown());
    EXPECT_FALSE(set.Blink());
    EXPECT_EQ(set.Icon(13), set.Shown());

    ASSERT_TRUE(tray.Add(window, 0x8064, 0, NULL, NULL)) << "no notification area?";
    EXPECT_TRUE(set.Update(45, OnBattery, "battery"));
    EXPECT_EQ(set.Icon(31), set.Shown());      // the second picture, as before the change
    EXPECT_EQ(set.Icon(31), tray.Icon());
    EXPECT_STREQ("battery", tray.Tip());
    EXPECT_TRUE(set.Blink());
    EXPECT_EQ(set.Icon(30), tray.Icon());
    EXPECT_STREQ("battery", tray.Tip());       // blinking keeps the tooltip
    EXPECT_TRUE(set.Update(100, OnAc, "ac"));
    EXPECT_EQ(set.Icon(0), tray.Icon());
    EXPECT_EQ(0u, set.Phase());

    // Many refreshes and blinks later, no picture or GDI object is lost or made.
    UINT gdi = CountGdiObjects(), icons = CountIcons();
    for (int i = 0; i < 1000; i++) {
        set.Update((UINT)(i % 120), (PowerState)(i % 3), "status");
        set.Blink();
    }
    EXPECT_EQ(gdi, CountGdiObjects());
    EXPECT_EQ(icons, CountIcons());
    tray.Remove();
    DestroyWindow(window);
}

TEST_F(IconSet, LoadAndReleaseLoseNoIcon)
{
    set.Load(GetModuleHandleA(NULL), &tray, fallback, ArtFolder, ArtResources.c_str());
    set.Release();
    UINT gdi = CountGdiObjects(), icons = CountIcons();
    for (int i = 0; i < 20; i++) {
        ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, fallback, ArtFolder, ArtResources.c_str()));
        set.Release();
    }
    EXPECT_EQ(gdi, CountGdiObjects());
    EXPECT_EQ(icons, CountIcons());
}

} // namespace
