// The brightness keys as a user sees them: Kestrel with the simulated driver, whose key presses
// flag a new backlight level, and the gauge that pops up near the bottom of the screen.
#include "scenario/Scenario.h"

#include "SimControl.h"
#include "osd/LevelGauge.h"
#include "res/resource.h"

namespace {

const UINT Levels = 8;
// The gauge shows at the next poll: within a second when idle, a tenth of one after a change.
// The deadlines leave room for a machine busy with other work.
const DWORD AppearWithinMs = 5000;
const DWORD FastAppearWithinMs = 3000;

RECT Screen()
{
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    return screen;
}

// Kestrel's popup as tall as the gauge's two rows on this screen.
HWND FindGauge(DWORD processId)
{
    UINT unit, titleHeight;
    RECT screen = Screen();
    GaugeRowHeights((UINT)(screen.bottom - screen.top), 8, &unit, &titleHeight);
    const LONG height = (LONG)(unit + titleHeight);
    return FindProcessWindow(processId, "Static", NULL, [height](HWND window) {
        RECT frame;
        return GetWindowRect(window, &frame) && frame.bottom - frame.top == height;
    });
}

class BrightnessKeys : public KestrelWorld {
protected:
    BrightnessKeys() : gauge(GetModuleHandleA(NULL)) {}
    void SetUp() override
    {
        KestrelWorld::SetUp();
        // The same gauge in this process tells where Kestrel's segments are.
        char minLabel[128], maxLabel[128], title[128];
        HINSTANCE instance = GetModuleHandleA(NULL);
        LoadStringA(instance, IDS_GAUGE_MIN, minLabel, sizeof minLabel);
        LoadStringA(instance, IDS_GAUGE_MAX, maxLabel, sizeof maxLabel);
        LoadStringA(instance, IDS_GAUGE_TITLE, title, sizeof title);
        GaugeStyle style = { Levels, 8, FW_BOLD, "Arial", minLabel, maxLabel, title,
                             TRUE, TRUE, 3, 3, TRUE, 1, RGB(0, 255, 0), RGB(0, 0, 0) };
        ASSERT_TRUE(gauge.Setup(style));
    }
    void TearDown() override
    {
        gauge.Destroy();
        KestrelWorld::TearDown();
    }
    HWND StartAndFindGauge()
    {
        if (!kestrel.Launch("/D"))
            return NULL;
        HWND found = NULL;
        WaitUntil([&] { return (found = FindGauge(kestrel.Id())) != NULL; }, 5000);
        // Start-up pushes the stored backlight level; a key pressed before that would show it.
        if (!WaitUntil([] { return DriverRequests("lcd-set") != ""; }, 5000))
            return NULL;
        return found;
    }
    // The window's shape shows segments 0 to level as full blocks and the others as marks.
    bool ShowsLevel(HWND window, UINT level)
    {
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        bool shows = GetWindowRgn(window, shape) == COMPLEXREGION;
        for (UINT i = 0; i < Levels && shows; i++) {
            RECT box;
            gauge.GetSegment(i, &box);
            HRGN body = CreateRectRgn(box.left + 1, box.top + 1, box.right - 4, box.bottom - 4);
            shows = (CombineRgn(body, body, shape, RGN_DIFF) == NULLREGION) == (i <= level);
            DeleteObject(body);
        }
        DeleteObject(shape);
        return shows;
    }
    void ExpectAtBottomCentre(HWND window)
    {
        RECT frame, screen = Screen();
        GetWindowRect(window, &frame);
        UINT width, height;
        int x, y;
        gauge.GetSize(&width, &height);
        gauge.GetPosition(&x, &y);
        EXPECT_EQ(x, frame.left);
        EXPECT_EQ(screen.right - frame.right, frame.left - screen.left);
        EXPECT_EQ(screen.bottom - (screen.bottom - screen.top) / 8, frame.bottom);
        EXPECT_EQ((LONG)width, frame.right - frame.left);
    }
    LevelGauge gauge;
    KestrelProcess kestrel;
};

TEST_F(BrightnessKeys, APressShowsTheGaugeAtThatLevelShapedAtTheBottomWithoutTakingTheForeground)
{
    UserWindow user;
    ASSERT_TRUE(user.TakeForeground());
    HWND window = StartAndFindGauge();
    ASSERT_TRUE(window != NULL) << "no gauge window with 8 levels";
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(user.Window(), GetForegroundWindow()) << "creating the gauge took the foreground";

    ASSERT_TRUE(SimPress(3));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, AppearWithinMs));
    EXPECT_TRUE(ShowsLevel(window, 3));
    ExpectAtBottomCentre(window);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(user.Window(), GetForegroundWindow()) << "showing the gauge took the foreground";
    kestrel.Exit();
}

TEST_F(BrightnessKeys, ASecondPressReshapesInPlaceQuietTicksHideItAndSoDoesADisplayChange)
{
    HWND window = StartAndFindGauge();
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(SimPress(1));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, AppearWithinMs));
    EXPECT_TRUE(ShowsLevel(window, 1));
    RECT first;
    GetWindowRect(window, &first);

    // Polling is fast now: the next level shows within a few ticks, in the same window and
    // place (while reshaping, the window passes through the size 0 x 0 for a moment).
    ASSERT_TRUE(SimPress(6));
    ASSERT_TRUE(WaitUntil([&] { return ShowsLevel(window, 6) && FindGauge(kestrel.Id()) == window; },
                          FastAppearWithinMs));
    DWORD reshaped = GetTickCount();
    EXPECT_TRUE(IsWindowVisible(window));
    RECT second;
    GetWindowRect(window, &second);
    EXPECT_TRUE(EqualRect(&first, &second));

    // 13 ticks of 100 ms after the last change.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 5000));
    EXPECT_GE(GetTickCount() - reshaped, 1000u);

    // A display change hides a shown gauge at once; the next press shows it laid out again.
    ASSERT_TRUE(SimPress(0));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) && ShowsLevel(window, 0); }, FastAppearWithinMs));
    RECT screen = Screen();
    SendAndWait(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(screen.right, screen.bottom));
    EXPECT_FALSE(IsWindowVisible(window));
    ASSERT_TRUE(SimPress(2));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) && ShowsLevel(window, 2); }, FastAppearWithinMs));
    ExpectAtBottomCentre(window);
    kestrel.Exit();
}

TEST_F(BrightnessKeys, WithTwoLevelsThereIsNoGaugeAndNoPolling)
{
    SimState state;
    state.lcdCount = 2;
    ASSERT_TRUE(SimSetFields(SIM_FIELD_LCDCOUNT, &state));
    ASSERT_TRUE(kestrel.Launch("/D"));
    // The start-up read has happened once the level was pushed (the first posted notice).
    ASSERT_TRUE(WaitUntil([] { return DriverRequests("lcd-set") != ""; }, 5000));
    ASSERT_TRUE(SimClearLog());
    ASSERT_TRUE(SimPress(1));
    // Nothing is expected to happen: give the idle polling two and a half periods to show otherwise.
    WaitUntil([] { return false; }, 2500);
    EXPECT_EQ("", DriverRequests("lcd-get"));
    ASSERT_TRUE(SimGetState(&state));
    EXPECT_EQ(1u, state.lcdChanged);   // nobody read the key's change
    EXPECT_TRUE(FindGauge(kestrel.Id()) == NULL);
    kestrel.Exit();
}

} // namespace
