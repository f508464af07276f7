// The floating battery indicator as a user sees it: where the running program puts it, its shape,
// its picture and tooltip, a drag with the real mouse, and rebuilding it from changed settings.
#include "scenario/Scenario.h"

#include "FakeBattery.h"
#include "app/AppState.h"
#include "app/Text.h"
#include "driver/PowerStatus.h"
#include "indicator/IndicatorSkin.h"

namespace {

const UINT SettingsChangedMessage = 0x8065;
const WPARAM IndicatorChanged = 1;

// The indicator of a process: its visible window of the static class.
HWND IndicatorOf(DWORD processId)
{
    return FindVisibleWindow(processId, "Static");
}

// The text of the visible tooltip of a process, "" when none shows.
std::string ShownTooltip(DWORD processId)
{
    char text[256] = "";
    if (HWND tip = FindVisibleWindow(processId, "tooltips_class32"))
        SendMessageTimeoutA(tip, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_BLOCK, 2000, NULL);
    return text;
}

RECT WorkArea()
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

class IndicatorScenario : public KestrelWorld {
protected:
    void SetUp() override
    {
        KestrelWorld::SetUp();
        ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
        // The program's own drawing code renders the expected pictures from the installed skins.
        CopyText(appState.installFolder, PathSize, InstallFolder);
        CopyText(appState.resourceFolder, PathSize, InstallFolder);
        AppendText(appState.resourceFolder, PathSize, "\\Resource\\");
    }

    // Starts Kestrel without splash and waits for its indicator to show.
    HWND Start()
    {
        if (!kestrel.Launch("/D"))
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
        int w = 0, h = 0;
        if (skin.Load(number, mode))
            skin.GetSize(horizontal, &w, &h);
        skin.Release();
        SIZE size = { w, h };
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
        const int w = r.right - r.left, h = r.bottom - r.top;
        MemoryPicture expected(w, h), shown(w, h);
        bool same = CopyScreen(r, shown)
            && skin.Draw(expected.dc, horizontal, status.percent, status.state, status.minutes, NULL, NULL);
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        same = same && GetWindowRgn(window, shape) != ERROR;
        int compared = 0;
        for (int y = 0; y < h && same; y++)
            for (int x = 0; x < w && same; x++)
                if (PtInRegion(shape, x, y)) {
                    compared++;
                    same = GetPixel(shown.dc, x, y) == GetPixel(expected.dc, x, y);
                }
        DeleteObject(shape);
        skin.Release();
        return same && compared > 0;
    }

    KestrelProcess kestrel;
};

TEST_F(IndicatorScenario, AFreshStartShowsItTopRightShapedAndWithoutTakingTheFocus)
{
    UserWindow user;
    ASSERT_TRUE(user.TakeForeground());

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
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(window, shape));
    int wrong = 0, opaque = 0, outside = 0;
    {
        MemoryPicture pixels(body);
        for (int y = 0; y < size.cy; y++)
            for (int x = 0; x < size.cx; x++) {
                bool key = GetPixel(pixels.dc, x, y) == RGB(255, 0, 255);
                opaque += !key;
                outside += key;
                wrong += (PtInRegion(shape, x, y) != 0) == key;
            }
    }
    EXPECT_EQ(0, wrong);
    EXPECT_GT(outside, 0);   // not a plain rectangle
    EXPECT_GT(opaque, 0);
    DeleteObject(body);
    DeleteObject(shape);

    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 1, TRUE); }));
    EXPECT_EQ(user.Window(), GetForegroundWindow());
    // Re-placing it after a display change moves it without activating it either.
    SendAndWait(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
    EXPECT_EQ(user.Window(), GetForegroundWindow());
    kestrel.Exit();
}

TEST_F(IndicatorScenario, CornersOrientationSkinsAndHidingAreRebuiltFromTheSettings)
{
    ASSERT_TRUE(Start() != NULL);
    const RECT area = WorkArea();
    const SIZE h = BodySize(1, 1, TRUE), v = BodySize(1, 1, FALSE);
    ASSERT_TRUE(h.cx == v.cy && h.cy == v.cx && h.cx > h.cy);

    StoreDword("IndicatorPosition", 2);
    EXPECT_TRUE(Rebuild(At(area.right - h.cx, area.bottom - h.cy, h))) << "bottom right";
    StoreDword("IndicatorPosition", 3);
    EXPECT_TRUE(Rebuild(At(area.left, area.bottom - h.cy, h))) << "bottom left";
    StoreDword("IndicatorVerticalStyle", 1);
    EXPECT_TRUE(Rebuild(At(area.left, area.bottom - v.cy, v))) << "vertical, bottom left";
    StoreDword("IndicatorPosition", 1);
    HWND window = Rebuild(At(area.left, area.top, v));
    ASSERT_TRUE(window) << "vertical, top left";
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 1, FALSE); }));

    // Another skin, with the time shown: its own body and picture.
    StoreDword("IndicatorVerticalStyle", 0);
    StoreDword("IndicatorNumber", 2);
    StoreDword("IndicatorMode", 3);
    const SIZE other = BodySize(2, 3, TRUE);
    ASSERT_TRUE(other.cx > 0 && (other.cx != h.cx || other.cy != h.cy));
    window = Rebuild(At(area.left, area.top, other));
    ASSERT_TRUE(window) << "skin 2, mode 3";
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 2, 3, TRUE); }));

    // Free position, never dragged: the top right corner.
    StoreDword("IndicatorPosition", 4);
    EXPECT_TRUE(Rebuild(At(area.right - other.cx, area.top, other))) << "free, nothing stored";

    StoreDword("IndicatorShowWindow", 0);
    kestrel.Post(SettingsChangedMessage, IndicatorChanged, 0);
    EXPECT_TRUE(WaitUntil([&] { return IndicatorOf(kestrel.Id()) == NULL; }));
    kestrel.Exit();
}

TEST_F(IndicatorScenario, ThePictureAndTooltipFollowTheBattery)
{
    StoreDword("IndicatorMode", 3);
    HWND window = Start();
    ASSERT_TRUE(window != NULL);
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 3, TRUE); }));

    ASSERT_TRUE(FakeBatterySet(battery, FakeAcCharging, 80, 0));
    SendAndWait(kestrel.MainWindow(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
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
    kestrel.Exit();
}

TEST_F(IndicatorScenario, DraggingWithTheMouseMovesItAndStoresTheCorner)
{
    StoreDword("IndicatorPosition", 4);
    HWND window = Start();
    ASSERT_TRUE(window != NULL);
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
    DWORD x, y;
    EXPECT_FALSE(StoredDword("IndicatorPositionX", &x) || StoredDword("IndicatorPositionY", &y));
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_TRUE(EqualRect(&start, &r));

    // A drag, paced as a hand would: the grabbed pixel stays under the pointer and the corner
    // reached is stored.
    wsprintfA(command, "mousemove %d %d sleep 0.2 mousedown 1 sleep 0.2 mousemove %d %d sleep 0.2 mousemove %d %d "
              "sleep 0.2 mouseup 1", grabX, grabY, grabX - 100, grabY + 50, grabX - 300, grabY + 200);
    ASSERT_TRUE(Xdo(command));
    EXPECT_TRUE(WaitUntil([&] { return StoredDword("IndicatorPositionY", &y); }));
    ASSERT_TRUE(StoredDword("IndicatorPositionX", &x));
    GetWindowRect(window, &r);
    EXPECT_TRUE(r.left == start.left - 300 && r.top == start.top + 200) << r.left << "," << r.top;
    EXPECT_TRUE((LONG)x == r.left && (LONG)y == r.top) << x << "," << y;

    SetCursorPos(500, 400);
    kestrel.Exit();
}

} // namespace
