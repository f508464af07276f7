// The floating indicator window driven inside the test process with the synthetic skin: the drag by
// mouse messages and what it stores, and its tooltip. Where it sits, its shape and picture the
// scenarios and the generated cases see on screen.
#include <gtest/gtest.h>
#include <set>

#include "app/AppState.h"
#include "app/SettingsStore.h"
#include "indicator/IndicatorWindow.h"
#include "indicator/TestSkin.h"

namespace {

const std::string Folder = testskin::FreshFolder("kestrel-indicator-window");
const char SettingsKey[] = "Software\\Ardwick\\Kestrel\\Settings";

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

BOOL CALLBACK CollectTooltip(HWND window, LPARAM lParam)
{
    char name[64];
    if (GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, "tooltips_class32") == 0)
        ((std::set<HWND> *)lParam)->insert(window);
    return TRUE;
}

// The tooltip windows of this thread.
std::set<HWND> Tooltips()
{
    std::set<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectTooltip, (LPARAM)&found);
    return found;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

class Indicator : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(testskin::WriteSkin(Folder, 1));
    }
    void SetUp() override
    {
        testskin::UseFolder(Folder);
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        GetWorkArea(&area);
        owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    }
    void TearDown() override
    {
        indicator.Destroy();
        DestroyWindow(owner);
        Pump();
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
    }
    BOOL Create(DWORD position, BOOL horizontal = TRUE, DWORD mode = 3)
    {
        return indicator.Create(GetModuleHandleA(NULL), owner, 1, mode, position, horizontal, 57, OnBattery, 75,
                                "Battery in use:57% battery remaining");
    }
    RECT Place() const
    {
        RECT r;
        GetWindowRect(indicator.Window(), &r);
        return r;
    }
    static bool Stored(LONG *x, LONG *y)
    {
        DWORD sx, sy;
        bool ok = AccessSetting(FALSE, SettingIndicatorX, &sx) && AccessSetting(FALSE, SettingIndicatorY, &sy);
        *x = (LONG)sx;
        *y = (LONG)sy;
        return ok;
    }
    void Mouse(UINT message, int x, int y)
    {
        SendMessageA(indicator.Window(), message, message == WM_MOUSEMOVE ? 0 : MK_LBUTTON,
                     MAKELPARAM((WORD)(SHORT)x, (WORD)(SHORT)y));
    }
    RECT area;
    HWND owner;
    IndicatorWindow indicator;
};

TEST_F(Indicator, DragsOnlyInFreePositionAndStoresOnlyTheEndOfADrag)
{
    ASSERT_TRUE(Create(PositionTopRight));
    RECT start = Place();
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_MOUSEMOVE, -200, 100);
    Mouse(WM_LBUTTONUP, -200, 100);
    RECT r = Place();
    EXPECT_TRUE(EqualRect(&start, &r));
    EXPECT_EQ(Idle, indicator.Drag());
    LONG x, y;
    EXPECT_FALSE(Stored(&x, &y));

    indicator.Destroy();
    ASSERT_TRUE(Create(PositionFree));
    start = Place();
    // Within the drag rectangle: nothing moves, nothing is stored.
    Mouse(WM_LBUTTONDOWN, 10, 10);
    EXPECT_EQ(Pressed, indicator.Drag());
    Mouse(WM_MOUSEMOVE, 10 + GetSystemMetrics(SM_CXDRAG), 10 - GetSystemMetrics(SM_CYDRAG));
    EXPECT_EQ(Pressed, indicator.Drag());
    Mouse(WM_LBUTTONUP, 10, 10);
    r = Place();
    EXPECT_TRUE(EqualRect(&start, &r));
    EXPECT_FALSE(Stored(&x, &y));

    // A real drag keeps the grabbed pixel under the cursor and stores where it ends.
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_MOUSEMOVE, -290, 110);
    EXPECT_EQ(Dragging, indicator.Drag());
    r = Place();
    EXPECT_TRUE(r.left == start.left - 300 && r.top == start.top + 100) << r.left << "," << r.top;
    EXPECT_FALSE(Stored(&x, &y));
    Mouse(WM_LBUTTONUP, -290, 110);
    ASSERT_TRUE(Stored(&x, &y));
    EXPECT_TRUE(x == start.left - 300 && y == start.top + 100);

    // Dragged far past the bottom: it stops at the work area's edge, and that is stored.
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_MOUSEMOVE, 10, 3000);
    r = Place();
    EXPECT_EQ(area.bottom, r.bottom);
    // Another window taking over ends the drag as a release does.
    SendMessageA(indicator.Window(), WM_ACTIVATE, WA_INACTIVE, 0);
    Pump();
    EXPECT_EQ(Idle, indicator.Drag());
    ASSERT_TRUE(Stored(&x, &y));
    EXPECT_EQ(area.bottom - 24, y);
}

TEST_F(Indicator, ANewTipTakesANewTooltipADoubleClickAsksForTheSheetAndOnlyTheOwnerEndsIt)
{
    std::set<HWND> before = Tooltips();
    ASSERT_TRUE(Create(PositionTopLeft));
    std::set<HWND> first = Tooltips();
    ASSERT_EQ(before.size() + 1, first.size());
    EXPECT_TRUE(indicator.Update(56, OnBattery, 70, "Battery in use:57% battery remaining"));
    EXPECT_EQ(first, Tooltips());   // the same text keeps the same tooltip
    EXPECT_TRUE(indicator.Update(56, OnBattery, 70, "Battery in use:56% battery remaining"));
    std::set<HWND> second = Tooltips();
    EXPECT_TRUE(second.size() == first.size() && second != first);

    // A double click asks the owner for the settings sheet, also with a fixed position.
    Mouse(WM_LBUTTONDBLCLK, 5, 5);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_TRUE(LOWORD(msg.wParam) == 40003 && msg.lParam == 0);
    SendMessageA(indicator.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(indicator.Window()));
    indicator.Destroy();
    EXPECT_FALSE(indicator.Update(1, OnAc, 0, "a"));
    EXPECT_EQ(before, Tooltips());
}

} // namespace
