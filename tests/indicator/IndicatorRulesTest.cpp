// The indicator's rules: the choice of the tray's picture pair, the pictures the icon file names or
// the application's icon in their place, and the place of a window inside the work area. The
// blinking and where the indicator sits are seen on screen by the scenarios and the generated cases.
#include <gtest/gtest.h>

#include <string>

#include "TestPaths.h"
#include "common/Gdi.h"
#include "indicator/BatteryIconSet.h"
#include "indicator/IndicatorWindow.h"
#include "indicator/TestSkin.h"
#include "res/resource.h"

namespace {

TEST(IconPairFor, ChoosesTheBandOfTenAndTheSourcesPictures)
{
    const struct { UINT percent; int state; UINT first; } cases[] = {
        { 100, OnAcCharging, 20 }, { 90, OnAcCharging, 20 }, { 89, OnAcCharging, 18 }, { 10, OnAcCharging, 4 },
        { 9, OnAcCharging, 2 }, { 101, OnAcCharging, 20 }, { 0xFFFFFFFF, OnAcCharging, 20 }, { 0, OnAc, 0 },
        { 255, OnAc, 0 }, { 45, OnBattery, 30 }, { 0, OnBattery, 22 }, { 100, OnBattery, 40 }, { 45, 7, 30 },
    };
    for (const auto &c : cases) {
        UINT pair[2] = { 99, 99 };
        IconPairFor(c.percent, (PowerState)c.state, pair);
        EXPECT_TRUE(pair[0] == c.first && pair[1] == c.first + 1) << c.percent << "% in state " << c.state;
    }
}

// Whether two icons draw the same 16 x 16 picture.
bool SamePicture(HICON a, HICON b)
{
    MemoryDc first(NULL, 16, 16), second(NULL, 16, 16);
    bool same = a && b && DrawIconEx(first.Dc(), 0, 0, a, 16, 16, 0, NULL, DI_NORMAL)
        && DrawIconEx(second.Dc(), 0, 0, b, 16, 16, 0, NULL, DI_NORMAL);
    for (int i = 0; i < 256 && same; i++)
        same = GetPixel(first.Dc(), i % 16, i / 16) == GetPixel(second.Dc(), i % 16, i / 16);
    return same;
}

// Each slot shows the picture IndicatorIcon.dat names only when the name and the file are sound,
// and a copy of the application's icon otherwise; without the file every slot takes that copy.
// Slots that name one file show one picture, and every slot that falls back the same copy.
TEST(BatteryIconSet, APictureThatCannotBeUsedGivesTheApplicationsIcon)
{
    enum Kind { Sound, Blanks, SameFile, Missing, Folder, CutShort, Bitmap, Empty, TooLong, KindCount };
    const std::string folder = testskin::FreshFolder("kestrel-icons"), resources = folder + "Resource\\";
    const std::string iconFile = folder + "IndicatorIcon.dat", images = KESTREL_IMAGE_DIR "\\Resource\\";
    const std::string sound = images + "tray\\DC090to100.ico";
    HICON fallback = (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APPLICATION_ICON), IMAGE_ICON, 16,
                                       16, 0);
    HICON named = (HICON)LoadImageA(NULL, sound.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
    ASSERT_TRUE(fallback && named && !SamePicture(fallback, named));
    CreateDirectoryA(resources.c_str(), NULL);
    for (int k = 0; k < KindCount; k++) {
        const std::string name = std::to_string(k) + ".ico";
        // SameFile names the first kind's file, in other letters.
        const std::string value[KindCount] = { name, "  " + name + "  ", "0.ICO", name, name, name, name, "",
                                               std::string(260 - resources.size(), 'n') + ".ico" };
        if (k == Folder)
            CreateDirectoryA((resources + name).c_str(), NULL);
        else if (k != Missing && k != SameFile)
            CopyFileA((k == Bitmap ? images + "Skin01\\GaugeH.bmp" : sound).c_str(), (resources + name).c_str(), FALSE);
        if (k == CutShort) {   // the first half of the picture
            HANDLE cut = CreateFileA((resources + name).c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
            SetFilePointer(cut, (LONG)(GetFileSize(cut, NULL) / 2), NULL, FILE_BEGIN);
            EXPECT_TRUE(SetEndOfFile(cut) && CloseHandle(cut));
        }
        ASSERT_TRUE(WritePrivateProfileStringA("Indicator.Icon", IconSlotKeys[k], value[k].c_str(), iconFile.c_str()));
    }
    TrayIcon tray;
    for (bool withFile : { true, false }) {
        BatteryIconSet set;
        ASSERT_TRUE(withFile || DeleteFileA(iconFile.c_str()));
        ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, fallback, folder.substr(0, folder.size() - 1).c_str(),
                             resources.c_str()));
        for (int k = 0; k < KindCount; k++)
            EXPECT_TRUE(SamePicture(set.Icon(k), withFile && k <= SameFile ? named : fallback) && set.Icon(k) != fallback)
                << "slot " << k << (withFile ? "" : " without the file");
        EXPECT_EQ(withFile, set.Icon(Sound) != set.Icon(Blanks));
        EXPECT_TRUE(set.Icon(SameFile) == set.Icon(Sound));
        for (UINT slot = Missing; slot < IconSlotCount; slot++)   // the slots after the kinds have no key
            EXPECT_TRUE(set.Icon(slot) == set.Icon(withFile ? Missing : Sound)) << "slot " << slot;
        set.Release();
    }
    DestroyIcon(named);
    DestroyIcon(fallback);
}

// The installation's pictures blink only where they say something: while charging, and in the
// lowest band on the battery. Every other pair rests on one picture, which the tray icon then
// never has to send again.
TEST(BatteryIconSet, TheShippedPicturesBlinkWhileChargingAndWhenLowAndRestOtherwise)
{
    TrayIcon tray;
    BatteryIconSet set;
    ASSERT_TRUE(set.Load(GetModuleHandleA(NULL), &tray, NULL, KESTREL_IMAGE_DIR, KESTREL_IMAGE_DIR "\\Resource\\"));
    const struct { int state; UINT percent; bool blinks; } pairs[] = {
        { OnAc, 100, false }, { OnAc, 3, false }, { OnAcCharging, 0, true }, { OnAcCharging, 55, true },
        { OnAcCharging, 100, true }, { OnBattery, 9, true }, { OnBattery, 0, true }, { OnBattery, 10, false },
        { OnBattery, 50, false }, { OnBattery, 100, false },
    };
    for (const auto &p : pairs) {
        UINT pair[2];
        IconPairFor(p.percent, (PowerState)p.state, pair);
        ASSERT_TRUE(set.Icon(pair[0]) && set.Icon(pair[1]));
        const bool shared = set.Icon(pair[0]) == set.Icon(pair[1]);
        EXPECT_TRUE(p.blinks ? !shared && !SamePicture(set.Icon(pair[0]), set.Icon(pair[1])) : shared)
            << p.percent << "% in state " << p.state;
    }
    set.Release();
}

TEST(ClampRectToArea, ShiftsIntoTheAreaKeepingTheSize)
{
    const RECT area = { 0, 0, 1024, 738 };
    const struct { RECT in, out; } cases[] = {
        { { 10, 10, 90, 34 }, { 10, 10, 90, 34 } },              // inside: unchanged
        { { 1024, 0, 1104, 24 }, { 944, 0, 1024, 24 } },          // right of the area
        { { 1024, 768, 1104, 792 }, { 944, 714, 1024, 738 } },    // below the taskbar's top
        { { -50, -30, 30, -6 }, { 0, 0, 80, 24 } },               // above and left
        { { 5, 5, 2005, 1005 }, { 0, 0, 2000, 1000 } },           // larger: the top-left corner
    };
    for (const auto &c : cases) {
        RECT r = c.in;
        ClampRectToArea(&r, &area);
        EXPECT_TRUE(EqualRect(&r, &c.out)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

} // namespace
