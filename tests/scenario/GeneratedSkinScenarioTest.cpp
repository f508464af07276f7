// Generated skins and tray picture files against the running program: one Kestrel.exe rebuilds its
// indicator for case after case, and each time it must show what the skin's files call for (the
// body's size, place and shape, or the empty 0 x 0 indicator of a skin it cannot use) and go on
// answering. A failure names its seed; KESTREL_CASE_SEED=N replays that case alone.
#include "scenario/Scenario.h"

#include <cstdlib>

#include "FakeBattery.h"
#include "res/resource.h"
#include "scenario/SkinCases.h"

namespace {

const UINT CmdExit = 40005;
const UINT SettingsChangedMessage = 0x8065;
const WPARAM IndicatorChanged = 1;
const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";
const unsigned DefaultCaseCount = 1000;
// Long enough for a 4000 x 4000 body to be loaded and shaped; a hang takes longer.
const UINT AnswerTimeoutMs = 60000;

const std::string Resources = std::string(InstallFolder) + "\\Resource\\";

// The seeds to run: the one KESTREL_CASE_SEED names, or 0 to KESTREL_CASE_COUNT - 1.
std::vector<unsigned> Seeds()
{
    std::vector<unsigned> seeds;
    if (const char *one = getenv("KESTREL_CASE_SEED")) {
        seeds.push_back((unsigned)strtoul(one, NULL, 10));
        return seeds;
    }
    const char *count = getenv("KESTREL_CASE_COUNT");
    const unsigned n = count ? (unsigned)strtoul(count, NULL, 10) : DefaultCaseCount;
    for (unsigned seed = 0; seed < n; seed++)
        seeds.push_back(seed);
    return seeds;
}

void StoreSetting(const char *name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
        RegCloseKey(key);
    }
}

// Writes a generated file, making its folders; a name ending in "\" is made a folder.
bool WriteGenerated(const std::string &path, const std::string &bytes)
{
    for (size_t i = Resources.size(); i < path.size(); i++) {
        if (path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), NULL);
    }
    if (!path.empty() && path.back() == '\\')
        return GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

void RemoveTree(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string SkinFilePath(DWORD number)
{
    char name[32];
    wsprintfA(name, "\\Indicator%02u.dat", number);
    return InstallFolder + std::string(name);
}

// Where a window of this size lands in the top-right corner: flush with the work area's top-right
// corner, or with its top-left one when it is larger than the work area.
POINT TopRightPlace(int width, int height)
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT r = { GetSystemMetrics(SM_CXSCREEN), 0, GetSystemMetrics(SM_CXSCREEN) + width, height };
    if (r.bottom > area.bottom) OffsetRect(&r, 0, area.bottom - r.bottom);
    if (r.right > area.right) OffsetRect(&r, area.right - r.right, 0);
    if (r.top < area.top) OffsetRect(&r, 0, area.top - r.top);
    if (r.left < area.left) OffsetRect(&r, area.left - r.left, 0);
    POINT p = { r.left, r.top };
    return p;
}

// "" when the window's shape covers exactly the picture's inked pixels (or nothing without one).
std::string ShapeDifference(HWND window, const Picture *picture)
{
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(window, shape);
    std::vector<BYTE> data(kind == ERROR ? 0 : GetRegionData(shape, 0, NULL));
    if (!data.empty())
        GetRegionData(shape, (DWORD)data.size(), (RGNDATA *)&data[0]);
    DeleteObject(shape);
    const RGNDATA *region = data.empty() ? NULL : (const RGNDATA *)&data[0];
    const DWORD rects = region ? region->rdh.nCount : 0;
    if (!picture)
        return rects == 0 ? "" : "a shape where none belongs";
    const RECT *r = region ? (const RECT *)region->Buffer : NULL;
    const int w = picture->width, h = picture->height;
    std::vector<bool> covered((size_t)w * h);
    for (DWORD i = 0; i < rects; i++) {
        if (r[i].left < 0 || r[i].top < 0 || r[i].right > w || r[i].bottom > h)
            return "a shape beyond the body";
        for (int y = r[i].top; y < r[i].bottom; y++)
            for (int x = r[i].left; x < r[i].right; x++)
                covered[(size_t)y * w + x] = true;
    }
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            if (covered[(size_t)y * w + x] != picture->Opaque(x, y))
                return "the shape differs at " + std::to_string(x) + "," + std::to_string(y) + " (" +
                       std::to_string(rects) + " rectangles)";
    return "";
}

class GeneratedSkins : public KestrelScenario {
protected:
    void SetUp() override
    {
        KestrelScenario::SetUp();
        battery = FakeBatteryFolder();
        REQUIRE_TEST_WORLD(battery, "no fake battery: the test run could not make a private mount namespace");
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }
    void TearDown() override
    {
        KestrelScenario::TearDown();
        if (battery)
            FakeBatterySet(battery, FakeAcNotCharging, 100, 0);
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }

    // The indicator: the visible window of the static class.
    HWND Indicator()
    {
        return FindProcessWindow(kestrel.Id(), "Static", NULL, [](HWND w) { return IsWindowVisible(w) != 0; });
    }

    bool Answers(HWND window, UINT message, WPARAM wParam)
    {
        DWORD_PTR result;
        return SendMessageTimeoutA(window, message, wParam, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, AnswerTimeoutMs,
                                   &result) != 0;
    }

    // Runs one case against the running program; "" when it showed what the case calls for.
    std::string Run(const SkinCase &c)
    {
        static const FakeBatteryState states[3] = { FakeAcNotCharging, FakeAcCharging, FakeOnBattery };
        FakeBatterySet(battery, states[c.powerState], (DWORD)c.percent, (DWORD)c.minutes);
        const std::string skinFile = SkinFilePath(c.skinNumber);
        DeleteFileA(skinFile.c_str());
        if (!c.skinFileMissing && !WriteGenerated(skinFile, c.skinText))
            return "the skin file could not be written";
        for (const GeneratedFile &f : c.files)
            if (!WriteGenerated(Resources + f.name, f.bytes))
                return "could not write " + f.name;
        StoreSetting("IndicatorNumber", c.skinNumber);
        StoreSetting("IndicatorMode", c.mode);
        StoreSetting("IndicatorVerticalStyle", c.vertical);
        StoreSetting("IndicatorShowWindow", c.show);

        // Sent rather than posted: when it returns the indicator has been rebuilt.
        std::string failure;
        HWND indicator = NULL;
        const ExpectedIndicator expected = ExpectIndicator(c);
        if (!Answers(kestrel.MainWindow(), SettingsChangedMessage, IndicatorChanged)) {
            failure = kestrel.Running() ? "Kestrel stopped answering" : "Kestrel ended";
        } else {
            indicator = Indicator();
            RECT r = { 0, 0, 0, 0 };
            if (indicator)
                GetWindowRect(indicator, &r);
            const POINT place = TopRightPlace(expected.width, expected.height);
            if (!indicator != !expected.present)
                failure = expected.present ? "no indicator" : "an indicator that should be hidden";
            else if (indicator && (r.right - r.left != expected.width || r.bottom - r.top != expected.height))
                failure = "indicator of " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                          ", expected " + std::to_string(expected.width) + "x" + std::to_string(expected.height);
            else if (indicator && (r.left != place.x || r.top != place.y))
                failure = "indicator at " + std::to_string(r.left) + "," + std::to_string(r.top);
            else if (indicator)
                failure = ShapeDifference(indicator, expected.shape);
            // A paint composes every element the skin loaded, for the status just set.
            if (failure.empty() && indicator && !Answers(indicator, WM_PAINT, 0))
                failure = kestrel.Running() ? "Kestrel stopped answering while painting" : "Kestrel ended painting";
        }
        if (!getenv("KESTREL_CASE_KEEP")) {
            DeleteFileA(skinFile.c_str());
            RemoveTree(Resources + "g" + std::to_string(c.seed));
        }
        return failure;
    }

    const char *battery = NULL;
    KestrelProcess kestrel;
};

TEST_F(GeneratedSkins, EachCaseShowsTheBodyOrTheEmptyIndicatorAndKestrelKeepsAnswering)
{
    ASSERT_TRUE(kestrel.Start("/D") && kestrel.WaitForMainWindow() != NULL);
    // The indicator it builds at start, from a message it posts itself, must not replace a case's.
    ASSERT_TRUE(WaitUntil([&] { return Indicator() != NULL; }));
    unsigned run = 0, shown = 0;
    for (unsigned seed : Seeds()) {
        const SkinCase c = GenerateSkinCase(seed);
        const std::string failure = Run(c);
        EXPECT_EQ("", failure) << "seed " << seed << " (" << c.summary << "); replay with KESTREL_CASE_SEED="
                               << seed;
        run++;
        shown += ExpectIndicator(c).width > 0;
        if (failure.compare(0, 7, "Kestrel") == 0)
            break;   // it hangs or has ended: the cases after this one would tell nothing more
    }
    std::cout << run << " generated skins, " << shown << " of them with a body to show" << std::endl;
    ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdExit, 0));
    DWORD code = 99;
    ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
}

}

namespace {

const unsigned IconCaseCount = 6;

class GeneratedIconFiles : public GeneratedSkins {
protected:
    void SetUp() override
    {
        GeneratedSkins::SetUp();
        REQUIRE_TEST_WORLD(WaitUntil([] { return FindWindowA("Shell_TrayWnd", NULL) != NULL; }, 15000),
                           "the virtual desktop has no notification area");
        fallback = (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APPLICATION_ICON), IMAGE_ICON, 16,
                                     16, 0);
        ASSERT_TRUE(fallback != NULL);
    }
    void TearDown() override
    {
        if (fallback)
            DestroyIcon(fallback);
        DeleteFileA(IconFilePath().c_str());
        GeneratedSkins::TearDown();
    }
    static std::string IconFilePath() { return std::string(InstallFolder) + "\\IndicatorIcon.dat"; }

    // Starts Kestrel with the case's icon file; "" when the tray then alternates between the
    // pictures the case calls for and Kestrel ends cleanly.
    std::string Run(const IconCase &c)
    {
        if (!WaitUntil([] { return TraySlotEmpty(0); }))
            return "an earlier program's icon is still shown";
        DeleteFileA(IconFilePath().c_str());
        if (!c.noFile && !WriteGenerated(IconFilePath(), c.iconText))
            return "the icon file could not be written";
        for (const GeneratedFile &f : c.files)
            if (!WriteGenerated(Resources + f.name, f.bytes))
                return "could not write " + f.name;
        KestrelProcess kestrel;
        if (!kestrel.Start("/D") || !kestrel.WaitForMainWindow())
            return "Kestrel did not start";
        std::string failure;
        for (int k = 0; k < 2 && failure.empty(); k++) {
            HICON expected = c.shown[k].empty() ? CopyIcon(fallback) : LoadInstalledIcon(c.shown[k]);
            if (!WaitUntil([&] { return ShowsPicture(0, expected); }, 5000))
                failure = std::string("the tray never showed ") + (c.shown[k].empty() ? "the application's icon" : c.shown[k]) +
                          " for " + BatteryPairKeys[k];
            DestroyIcon(expected);
        }
        DWORD code = 99;
        if (!kestrel.Post(WM_COMMAND, CmdExit, 0) || !kestrel.WaitForExit(10000, &code) || code != 0)
            failure += failure.empty() ? "Kestrel did not end cleanly" : "; and Kestrel did not end cleanly";
        RemoveTree(Resources + "i" + std::to_string(c.seed));
        return failure;
    }

    HICON fallback = NULL;
};

TEST_F(GeneratedIconFiles, TheTrayShowsEachUsablePictureAndTheApplicationsIconForTheRest)
{
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 45, 95));
    std::vector<unsigned> seeds = Seeds();
    if (!getenv("KESTREL_CASE_SEED"))
        seeds.resize(IconCaseCount);
    for (unsigned seed : seeds) {
        const IconCase c = GenerateIconCase(seed);
        std::cout << "seed " << seed << ": " << c.summary << std::endl;
        EXPECT_EQ("", Run(c)) << "seed " << seed << " (" << c.summary << "); replay with KESTREL_CASE_SEED=" << seed;
    }
}

}
