// The brightness keys as a user sees them: Kestrel with the simulated driver, whose key presses
// flag a new backlight level, and the gauge that pops up near the bottom of the screen.
#include "scenario/Scenario.h"

#include "SimControl.h"
#include "osd/BrightnessOsd.h"
#include "res/resource.h"

namespace {

const UINT Levels = 8;
// The gauge shows at the next poll: within a second when idle, a tenth of one after a change.
// The deadlines leave room for a machine busy with other work.
const DWORD AppearWithinMs = 5000;

class BrightnessKeys : public KestrelWorld {
protected:
    void SetUp() override
    {
        KestrelWorld::SetUp();
        // The same gauge in this process tells where Kestrel's segments are.
        char texts[3][128];
        for (int i = 0; i < 3; i++)
            LoadStringA(GetModuleHandleA(NULL), IDS_GAUGE_MIN + i, texts[i], sizeof texts[i]);
        GaugeStyle style = DisplayGaugeStyle(Levels);
        style.minLabel = texts[0];
        style.maxLabel = texts[1];
        style.title = texts[2];
        ASSERT_TRUE(gauge.Setup(style));
    }
    void TearDown() override
    {
        gauge.Destroy();
        KestrelWorld::TearDown();
    }
    // Presses the key (the simulator handed level with the bits of press added) and waits until the
    // window shows segments 0 to level as full blocks and the others as marks, at the bottom of the
    // screen and centred.
    bool PressShows(HWND window, UINT level, DWORD press = 0)
    {
        return SimPress(press | level) && WaitUntil([&] { return IsWindowVisible(window) && ShowsLevel(window, level); },
                                            AppearWithinMs);
    }
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
        RECT frame = WindowRect(window), screen = WindowRect(GetDesktopWindow());
        UINT width, height;
        int x, y;
        gauge.GetSize(&width, &height);
        gauge.GetPosition(&x, &y);
        return shows && frame.left == x && screen.right - frame.right == frame.left - screen.left
            && frame.bottom == screen.bottom - screen.bottom / 8 && frame.right - frame.left == (LONG)width
            && frame.bottom - frame.top == (LONG)height;
    }
    LevelGauge gauge{ GetModuleHandleA(NULL) };
};

TEST_F(BrightnessKeys, APressShowsTheGaugeAtItsLevelAtTheBottomUntil13QuietTicksWithoutTakingTheForeground)
{
    UserWindow user;
    ASSERT_TRUE(user.TakeForeground());
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    HWND window = GaugeOf(kestrel.Id());
    ASSERT_TRUE(window != NULL) << "no gauge window with 8 levels";
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(user.Window(), GetForegroundWindow()) << "creating the gauge took the foreground";

    ASSERT_TRUE(PressShows(window, 3));
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(user.Window(), GetForegroundWindow()) << "showing the gauge took the foreground";
    // Polling is fast now: each next level shows within a tick or two, in the same window and place
    // (while reshaping, the window passes through the size 0 x 0 for a moment). Every tick reads the
    // level once and the driver records each read: the first read after a press reports it, and the
    // 13th after that hides the gauge, the 14th on record. A tick between clearing the record and
    // the press, or a look at the window a tick late, finds 15; a gauge that stayed longer never
    // shows 14, and one that left earlier is seen gone at 13. A press the simulator is handed with
    // bit 31 set is a level of bits 0 to 30, like any other.
    int hiddenAtTheRead = 0;
    for (UINT level : { 6u, 1u, 4u }) {
        ASSERT_TRUE(SimClearLog() && PressShows(window, level, level == 6 ? 0x80000000 : 0));
        EXPECT_EQ(window, GaugeOf(kestrel.Id()));
        int reads = 0;
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window) && (reads = CountRequests("lcd-get")) > 0; }, 5000));
        EXPECT_GE(reads, 14) << "level " << level;
        hiddenAtTheRead += reads == 14;
    }
    EXPECT_GE(hiddenAtTheRead, 1);

    // A display change hides a shown gauge at once; the next press shows it laid out again.
    ASSERT_TRUE(PressShows(window, 0));
    RECT screen = WindowRect(GetDesktopWindow());
    SendAndWait(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(screen.right, screen.bottom));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(PressShows(window, 2));
    EXPECT_EQ(user.Window(), GetForegroundWindow());
    kestrel.Exit();
}

} // namespace
