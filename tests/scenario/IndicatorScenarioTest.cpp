// The floating battery indicator as a user sees it: where the running program puts it, its shape,
// its picture and tooltip, rebuilding it from changed settings, and dragging it with the real mouse.
#include "scenario/Scenario.h"

#include "FakeBattery.h"
#include "driver/PowerStatus.h"
#include "indicator/IndicatorSkin.h"

namespace {

const UINT SettingsChangedMessage = 0x8065;
const WPARAM IndicatorChanged = 1;

class IndicatorScenario : public KestrelWorld {
protected:
    void SetUp() override
    {
        KestrelWorld::SetUp();
        ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
    }
    // Asks the running program to rebuild its indicator and waits for one at the expected place.
    HWND Rebuild(LONG x, LONG y, SIZE size)
    {
        kestrel.Post(SettingsChangedMessage, IndicatorChanged, 0);
        HWND window = NULL;
        RECT expected = { x, y, x + size.cx, y + size.cy };
        WaitUntil([&] {
            RECT r = WindowRect(window = IndicatorOf(kestrel.Id()));
            return window && EqualRect(&r, &expected);
        });
        return window;
    }
    static SIZE BodySize(UINT number, DWORD mode, BOOL horizontal)
    {
        IndicatorSkin skin(GetModuleHandleA(NULL));
        int w = 0, h = 0;
        if (skin.Load(InstallFolder, InstalledResources, number, mode))
            skin.GetSize(horizontal, &w, &h);
        skin.Release();
        SIZE size = { w, h };
        return size;
    }
    // Whether the screen shows, inside the window's shape and nowhere else, what the skin draws for
    // the current power status; the shape must leave some of the window out.
    static bool ShowsStatus(HWND window, UINT number, DWORD mode, BOOL horizontal)
    {
        PowerStatus status;
        ReadPowerStatus(&status);
        IndicatorSkin skin(GetModuleHandleA(NULL));
        skin.Load(InstallFolder, InstalledResources, number, mode);
        const RECT r = WindowRect(window);
        const int w = r.right - r.left, h = r.bottom - r.top;
        MemoryDc expected(NULL, w, h), shown(NULL, w, h);
        HRGN shape = CreateRectRgn(0, 0, 0, 0), body = NULL;
        bool same = CopyScreen(r, shown) && GetWindowRgn(window, shape) != ERROR && skin.CopyRegion(horizontal, &body)
            && EqualRgn(shape, body) && skin.Draw(expected.Dc(), horizontal, status.percent, status.state, status.minutes,
                                                  NULL, NULL);
        int inside = 0;
        for (int i = 0; i < w * h && same; i++) {
            if (PtInRegion(shape, i % w, i / w)) {
                inside++;
                same = GetPixel(shown.Dc(), i % w, i / w) == GetPixel(expected.Dc(), i % w, i / w);
            }
        }
        DeleteObject(shape);
        DeleteObject(body);
        skin.Release();
        return same && inside > 0 && inside < w * h;
    }
};

TEST_F(IndicatorScenario, AFreshStartShowsItTopRightShapedFollowingTheBatteryWithoutTakingTheFocus)
{
    UserWindow user;
    ASSERT_TRUE(user.TakeForeground());
    StoreDword("IndicatorMode", 3);
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    HWND window = IndicatorOf(kestrel.Id());
    const RECT area = WorkArea(), r = WindowRect(window);
    const SIZE size = BodySize(1, 3, TRUE);
    EXPECT_TRUE(size.cx > 0 && r.left == area.right - size.cx && r.top == area.top && r.right == area.right
                && r.bottom == area.top + size.cy) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 3, TRUE); }));

    ASSERT_TRUE(FakeBatterySet(battery, FakeAcCharging, 80, 0));
    SendAndWait(kestrel.MainWindow(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_TRUE(WaitUntil([&] { return ShowsStatus(window, 1, 3, TRUE); }));
    EXPECT_EQ("Connected to AC power (battery charging):80% battery remaining",
              RestingTooltip(r.left + 10, r.top + 8, kestrel.Id()));
    EXPECT_EQ(user.Window(), GetForegroundWindow());
    // Re-placing it after a display change moves it without activating it either.
    SendAndWait(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
    EXPECT_EQ(user.Window(), GetForegroundWindow());
    kestrel.Exit();
}

TEST_F(IndicatorScenario, CornersOrientationSkinsAndHidingAreRebuiltFromTheSettings)
{
    // A skin an author has just begun with the tool: it checks clean, and Kestrel shows it.
    const std::string starter = std::string(InstallFolder) + "\\Indicator42.dat";
    Restorer removed{ [&] {
        RemoveTree(std::string(InstallFolder) + "\\Resource\\Skin42");
        return DeleteFileA(starter.c_str()) != 0;
    } };
    std::string output;
    ASSERT_EQ(0, RunProgram(SkinToolCommand + "new " + SkinToolFolder + "42 \"Starter\"", 30000));
    ASSERT_EQ(0, RunProgram(SkinToolCommand + "check " + SkinToolFolder + "42", 30000, &output)) << output;
    EXPECT_TRUE(output.find("note") == std::string::npos && output.find("absent") == std::string::npos) << output;
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    const RECT area = WorkArea();
    const SIZE h = BodySize(1, 1, TRUE), v = BodySize(1, 1, FALSE), other = BodySize(2, 3, TRUE);
    const SIZE s = BodySize(42, 3, FALSE);
    ASSERT_TRUE(h.cx == v.cy && h.cy == v.cx && h.cx > h.cy && other.cx > 0 && other.cx != h.cx);
    // Bottom right; vertical bottom left, and top left with the starter; another skin with the time shown, in the free
    // position never dragged: the top right corner.
    const struct { DWORD position, vertical, number, mode; LONG x, y; SIZE size; } rows[] = {
        { 2, 0, 1, 1, area.right - h.cx, area.bottom - h.cy, h }, { 3, 1, 1, 1, area.left, area.bottom - v.cy, v },
        { 1, 1, 42, 3, area.left, area.top, s }, { 4, 0, 2, 3, area.right - other.cx, area.top, other },
    };
    for (const auto &r : rows) {
        StoreDword("IndicatorPosition", r.position);
        StoreDword("IndicatorVerticalStyle", r.vertical);
        StoreDword("IndicatorNumber", r.number);
        StoreDword("IndicatorMode", r.mode);
        HWND window = Rebuild(r.x, r.y, r.size);
        EXPECT_TRUE(window && WaitUntil([&] { return ShowsStatus(window, r.number, r.mode, !r.vertical); }))
            << "position " << r.position << (r.vertical ? ", vertical" : "") << ", skin " << r.number;
    }
    StoreDword("IndicatorShowWindow", 0);
    kestrel.Post(SettingsChangedMessage, IndicatorChanged, 0);
    EXPECT_TRUE(WaitUntil([&] { return IndicatorOf(kestrel.Id()) == NULL; }));
    kestrel.Exit();
}

// Presses at (x, y), moves by each offset in turn and releases, paced as a hand would.
bool Drag(int x, int y, std::initializer_list<POINT> moves)
{
    std::string command = "mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.2 mousedown 1";
    for (const POINT &m : moves)
        command += " sleep 0.2 mousemove " + std::to_string(x + m.x) + " " + std::to_string(y + m.y);
    return Xdo(command + " sleep 0.2 mouseup 1 sleep 0.2 mousemove 500 400");
}

// The real mouse, captured as it leaves the window: only a drag in the free position moves the
// indicator, keeping the grabbed pixel under the pointer inside the work area, and where it ends
// is stored; a press that strays no further than the system's drag distance is a click.
TEST_F(IndicatorScenario, OnlyADragInTheFreePositionMovesItAndStoresWhereItEnds)
{
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    HWND window = IndicatorOf(kestrel.Id());
    const RECT fixed = WindowRect(window), area = WorkArea();
    DWORD x = 0, y = 0;
    ASSERT_TRUE(Drag(fixed.left + 10, fixed.top + 8, { { -300, 200 } }));
    RECT r = WindowRect(window);
    EXPECT_TRUE(EqualRect(&fixed, &r) && StoredDword("IndicatorPositionX") == NotStored) << "top right";

    StoreDword("IndicatorPosition", 4);
    kestrel.Post(0x8065, 1, 0);
    // Never dragged, the free position starts where the fixed one was; wait until the new window is
    // placed there, not merely made.
    ASSERT_TRUE(WaitUntil([&] {
        HWND made = IndicatorOf(kestrel.Id());
        RECT placed = WindowRect(made);
        return made && made != window && EqualRect(&placed, &fixed);
    }));
    window = IndicatorOf(kestrel.Id());
    const RECT start = WindowRect(window);
    const int grabX = start.left + 10, grabY = start.top + 8;
    const LONG dx = GetSystemMetrics(SM_CXDRAG), dy = GetSystemMetrics(SM_CYDRAG);
    ASSERT_TRUE(Drag(grabX, grabY, { { dx, -dy }, { 0, 0 } }));
    r = WindowRect(window);
    EXPECT_TRUE(EqualRect(&start, &r) && StoredDword("IndicatorPositionX") == NotStored) << "within the drag distance";
    ASSERT_TRUE(Drag(grabX, grabY, { { -100, 50 }, { -300, 200 } }));
    EXPECT_TRUE(WaitUntil([&] { return (y = StoredDword("IndicatorPositionY")) != NotStored; }));
    x = StoredDword("IndicatorPositionX");
    r = WindowRect(window);
    EXPECT_TRUE(r.left == start.left - 300 && r.top == start.top + 200 && (LONG)x == r.left && (LONG)y == r.top)
        << r.left << "," << r.top << " stored " << x << "," << y;
    // Far past the bottom: it stops at the work area's edge, and that is stored.
    ASSERT_TRUE(Drag(r.left + 10, r.top + 8, { { 0, 300 }, { 0, 2000 } }));
    EXPECT_TRUE(WaitUntil([&] { return (LONG)(y = StoredDword("IndicatorPositionY")) != r.top; }));
    EXPECT_TRUE(WindowRect(window).bottom == area.bottom && (LONG)y == area.bottom - (r.bottom - r.top)) << y;
    kestrel.Exit();
}

} // namespace
