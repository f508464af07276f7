// The floating battery indicator as a user sees it: where the running program puts it, its shape,
// its picture and tooltip, a drag with the real mouse, and rebuilding it from changed settings.
#include "scenario/Scenario.h"

#include <cstdlib>

#include "FakeBattery.h"
#include "app/AppState.h"
#include "app/Text.h"
#include "driver/PowerStatus.h"
#include "indicator/IndicatorSkin.h"

namespace {

const UINT CmdExit = 40005;
const UINT SettingsChangedMessage = 0x8065;
const WPARAM IndicatorChanged = 1;
const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";
const char Xdotool[] = "Z:\\usr\\bin\\xdotool";

// A visible top-level window of a process with the class name (any case).
HWND VisibleWindowOf(DWORD processId, const char *className)
{
    return FindProcessWindow(processId, className, NULL, [](HWND window) { return IsWindowVisible(window) != 0; });
}

// The indicator of a process: its visible window of the static class.
HWND IndicatorOf(DWORD processId)
{
    return VisibleWindowOf(processId, "Static");
}

// The text of the visible tooltip of a process, "" when none shows.
std::string ShownTooltip(DWORD processId)
{
    HWND tip = VisibleWindowOf(processId, "tooltips_class32");
    if (!tip)
        return "";
    char text[256] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tip, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_BLOCK, 2000, &result);
    return text;
}

void StoreSetting(const char *name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, 4);
        RegCloseKey(key);
    }
}

bool StoredSetting(const char *name, LONG *value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD word = 0, size = 4;
    bool ok = RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&word, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    *value = (LONG)word;
    return ok;
}

RECT WorkArea()
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

class IndicatorScenario : public KestrelScenario {
protected:
    void SetUp() override
    {
        KestrelScenario::SetUp();
        battery = getenv("KESTREL_FAKE_BATTERY");
        ASSERT_TRUE(battery != NULL) << "no fake battery: the test run could not make a private mount namespace";
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
        // The program's own drawing code renders the expected pictures from the installed skins.
        CopyText(appState.installFolder, PathSize, InstallFolder);
        CopyText(appState.resourceFolder, PathSize, InstallFolder);
        AppendText(appState.resourceFolder, PathSize, "\\Resource\\");
    }
    void TearDown() override
    {
        KestrelScenario::TearDown();
        if (battery)
            FakeBatterySet(battery, FakeAcNotCharging, 100, 0);
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }

    // Starts Kestrel without splash and waits for its indicator to show.
    HWND Start()
    {
        if (!kestrel.Start("/D") || !kestrel.WaitForMainWindow())
            return NULL;
        HWND window = NULL;
        WaitUntil([&] { return (window = IndicatorOf(kestrel.Id())) != NULL; });
        return window;
    }

    // Asks the running program to rebuild its indicator and waits for one at the expected place.
    HWND Rebuild(const RECT &expected)
    {
        kestrel.Post(SettingsChangedMessage, IndicatorChanged, 0);
        HWND window = NULL;
        WaitUntil([&] {
            RECT r;
            window = IndicatorOf(kestrel.Id());
            return window && GetWindowRect(window, &r) && EqualRect(&r, &expected);
        });
        return window;
    }

    static SIZE BodySize(UINT number, DWORD mode, BOOL horizontal)
    {
        IndicatorSkin skin(GetModuleHandleA(NULL));
        skin.Load(number, mode);
        SIZE size = { 0, 0 };
        int w, h;
        if (skin.GetSize(horizontal, &w, &h)) {
            size.cx = w;
            size.cy = h;
        }
        skin.Release();
        return size;
    }

    static RECT At(LONG x, LONG y, SIZE size)
    {
        RECT r = { x, y, x + size.cx, y + size.cy };
        return r;
    }

    // Whether the screen shows, inside the window's shape, what the skin draws for the current
    // power status.
    static bool ShowsStatus(HWND window, UINT number, DWORD mode, BOOL horizontal)
    {
        PowerStatus status;
        ReadPowerStatus(&status);
        IndicatorSkin skin(GetModuleHandleA(NULL));
        skin.Load(number, mode);
        RECT r;
        GetWindowRect(window, &r);
        int w = r.right - r.left, h = r.bottom - r.top;
        HDC screen = GetDC(NULL);
        HDC expected = CreateCompatibleDC(screen), shown = CreateCompatibleDC(screen);
        HBITMAP expectedBitmap = CreateCompatibleBitmap(screen, w, h), shownBitmap = CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ oldExpected = SelectObject(expected, expectedBitmap), oldShown = SelectObject(shown, shownBitmap);
        BitBlt(shown, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        ReleaseDC(NULL, screen);
        bool same = skin.Draw(expected, horizontal, status.percent, status.state, status.minutes, NULL, NULL);
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        same = same && GetWindowRgn(window, shape) != ERROR;
        int compared = 0;
        for (int y = 0; y < h && same; y++)
            for (int x = 0; x < w && same; x++)
                if (PtInRegion(shape, x, y)) {
                    compared++;
                    same = GetPixel(shown, x, y) == GetPixel(expected, x, y);
                }
        DeleteObject(shape);
        SelectObject(expected, oldExpected);
        SelectObject(shown, oldShown);
        DeleteObject(expectedBitmap);
        DeleteObject(shownBitmap);
        DeleteDC(expected);
        DeleteDC(shown);
        skin.Release();
        return same && compared > 0;
    }

    void ExitAndWait()
    {
        ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdExit, 0));
        DWORD code = 99;
        ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
        EXPECT_EQ(0u, code);
    }

    const char *battery = NULL;
    KestrelProcess kestrel;
};

TEST_F(IndicatorScenario, AFreshStartShowsItTopRightShapedAndWithoutTakingTheFocus)
{
    // The user works in a window of their own.
    HWND own = CreateWindowExA(0, "STATIC", "user's work", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200,
                               NULL, NULL, NULL, NULL);
    ASSERT_TRUE(own != NULL);
    SetForegroundWindow(own);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == own; }));

    HWND window = Start();
    ASSERT_TRUE(window != NULL);
    const RECT area = WorkArea();
    const SIZE size = BodySize(1, 1, TRUE);
    ASSERT_GT(size.cx, 0);
    RECT r, expected = At(area.right - size.cx, area.top, size);
    GetWindowRect(window, &r);
    EXPECT_TRUE(EqualRect(&expected, &r)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // The shape is exactly the body's pixels that are not magenta.
    HBITMAP body = (HBITMAP)LoadImageA(NULL, (std::string(InstallFolder) + "\\Resource\\Skin01\\BodyPsmH.bmp").c_str(),
                                       IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_TRUE(body != NULL);
    HDC pixels = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(pixels, body);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(window, shape));
    int wrong = 0, opaque = 0, outside = 0;
    for (int y = 0; y < size.cy; y++)
        for (int x = 0; x < size.cx; x++) {
            bool key = GetPixel(pixels, x, y) == RGB(255, 0, 255);
            opaque += !key;
            outside += key;
            wrong += (PtInRegion(shape, x, y) != 0) == key;
        }
    EXPECT_EQ(0, wrong);
    EXPECT_GT(outside, 0);   // not a plain rectangle
    EXPECT_GT(opaque, 0);
    SelectObject(pixels, old);
    DeleteDC(pixels);
    DeleteObject(body);
    DeleteObject(shape);

    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 1, TRUE); }));
    EXPECT_EQ(own, GetForegroundWindow());
    // Re-placing it after a display change moves it without activating it either.
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768), SMTO_BLOCK, 5000, &result);
    EXPECT_EQ(own, GetForegroundWindow());
    ExitAndWait();
    DestroyWindow(own);
}

TEST_F(IndicatorScenario, CornersOrientationSkinsAndHidingAreRebuiltFromTheSettings)
{
    ASSERT_TRUE(Start() != NULL);
    const RECT area = WorkArea();
    const SIZE h = BodySize(1, 1, TRUE), v = BodySize(1, 1, FALSE);
    ASSERT_TRUE(h.cx == v.cy && h.cy == v.cx && h.cx > h.cy);

    StoreSetting("IndicatorPosition", 2);
    EXPECT_TRUE(Rebuild(At(area.right - h.cx, area.bottom - h.cy, h))) << "bottom right";
    StoreSetting("IndicatorPosition", 3);
    EXPECT_TRUE(Rebuild(At(area.left, area.bottom - h.cy, h))) << "bottom left";
    StoreSetting("IndicatorVerticalStyle", 1);
    EXPECT_TRUE(Rebuild(At(area.left, area.bottom - v.cy, v))) << "vertical, bottom left";
    StoreSetting("IndicatorPosition", 1);
    HWND window = Rebuild(At(area.left, area.top, v));
    ASSERT_TRUE(window) << "vertical, top left";
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 1, FALSE); }));

    // Another skin, with the time shown: its own body and picture.
    StoreSetting("IndicatorVerticalStyle", 0);
    StoreSetting("IndicatorNumber", 2);
    StoreSetting("IndicatorMode", 3);
    const SIZE other = BodySize(2, 3, TRUE);
    ASSERT_TRUE(other.cx > 0 && (other.cx != h.cx || other.cy != h.cy));
    window = Rebuild(At(area.left, area.top, other));
    ASSERT_TRUE(window) << "skin 2, mode 3";
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 2, 3, TRUE); }));

    // Free position, never dragged: the top right corner.
    StoreSetting("IndicatorPosition", 4);
    EXPECT_TRUE(Rebuild(At(area.right - other.cx, area.top, other))) << "free, nothing stored";

    StoreSetting("IndicatorShowWindow", 0);
    kestrel.Post(SettingsChangedMessage, IndicatorChanged, 0);
    EXPECT_TRUE(WaitUntil([&] { return IndicatorOf(kestrel.Id()) == NULL; }));
    ExitAndWait();
}

TEST_F(IndicatorScenario, ThePictureAndTooltipFollowTheBattery)
{
    StoreSetting("IndicatorMode", 3);
    HWND window = Start();
    ASSERT_TRUE(window != NULL);
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 3, TRUE); }));

    ASSERT_TRUE(FakeBatterySet(battery, FakeAcCharging, 80, 0));
    DWORD_PTR result;
    SendMessageTimeoutA(kestrel.MainWindow(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0, SMTO_BLOCK, 5000,
                        &result);
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 3, TRUE); }));

    // Resting the mouse on it shows the status line.
    RECT r;
    GetWindowRect(window, &r);
    int step = 0;
    std::string tip;
    WaitUntil([&] {
        if (step++ % 25 == 0)
            SetCursorPos(r.left + 10 + (step / 25) % 2, r.top + 8);
        return !(tip = ShownTooltip(kestrel.Id())).empty();
    });
    EXPECT_EQ("Connected to AC power (battery charging):80% battery remaining", tip);
    SetCursorPos(500, 400);
    ExitAndWait();
}

TEST_F(IndicatorScenario, DraggingWithTheMouseMovesItAndStoresTheClampedCorner)
{
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Xdotool)) << "xdotool is not installed";
    StoreSetting("IndicatorPosition", 4);
    HWND window = Start();
    ASSERT_TRUE(window != NULL);
    const RECT area = WorkArea();
    RECT start;
    GetWindowRect(window, &start);
    const int grabX = start.left + 10, grabY = start.top + 8;
    char command[200];

    // A press and release on the spot moves nothing and stores nothing; a tooltip shown for the
    // mouse resting there afterwards proves the program has seen the click.
    wsprintfA(command, "mousemove %d %d sleep 0.2 click 1 sleep 0.2 mousemove %d %d", grabX, grabY, grabX + 1, grabY);
    ASSERT_TRUE(Xdo(command));
    int step = 0;
    EXPECT_TRUE(WaitUntil([&] {
        if (step++ % 25 == 0)
            Xdo(step / 25 % 2 ? "mousemove_relative 1 0" : "mousemove_relative -- -1 0");
        return !ShownTooltip(kestrel.Id()).empty();
    }, 15000));
    LONG x, y;
    EXPECT_FALSE(StoredSetting("IndicatorPositionX", &x) || StoredSetting("IndicatorPositionY", &y));
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_TRUE(EqualRect(&start, &r));

    // A drag, paced as a hand would: the grabbed pixel stays under the pointer and the corner
    // reached is stored.
    wsprintfA(command, "mousemove %d %d sleep 0.2 mousedown 1 sleep 0.2 mousemove %d %d sleep 0.2 mousemove %d %d "
              "sleep 0.2 mouseup 1", grabX, grabY, grabX - 100, grabY + 50, grabX - 300, grabY + 200);
    ASSERT_TRUE(Xdo(command));
    EXPECT_TRUE(WaitUntil([&] { return StoredSetting("IndicatorPositionY", &y); }));
    ASSERT_TRUE(StoredSetting("IndicatorPositionX", &x));
    GetWindowRect(window, &r);
    EXPECT_TRUE(r.left == start.left - 300 && r.top == start.top + 200) << r.left << "," << r.top;
    EXPECT_TRUE(x == r.left && y == r.top) << x << "," << y;

    // Down against the taskbar: it stops at the work area, and that is what is stored.
    wsprintfA(command, "mousemove %d %d sleep 0.2 mousedown 1 sleep 0.2 mousemove %d %d sleep 0.2 mousemove %d %d "
              "sleep 0.2 mouseup 1", r.left + 10, r.top + 8, r.left + 10, r.top + 100, r.left + 10, area.bottom + 20);
    ASSERT_TRUE(Xdo(command));
    EXPECT_TRUE(WaitUntil([&] { return StoredSetting("IndicatorPositionY", &y) && y != r.top; }));
    GetWindowRect(window, &r);
    EXPECT_EQ(area.bottom, r.bottom);
    EXPECT_EQ(area.bottom - (start.bottom - start.top), y);

    // The stored place is where a rebuilt indicator appears, and a display change re-places it.
    StoreSetting("IndicatorPositionX", 200);
    StoreSetting("IndicatorPositionY", 150);
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768), SMTO_BLOCK, 5000, &result);
    GetWindowRect(window, &r);
    EXPECT_TRUE(r.left == 200 && r.top == 150) << r.left << "," << r.top;
    SetCursorPos(500, 400);
    ExitAndWait();
}

} // namespace
