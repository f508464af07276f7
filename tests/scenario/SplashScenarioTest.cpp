// The start-up splash as a user sees it: shown at once in the middle of the screen, shaped to its
// picture, above other windows without taking the focus, gone about three seconds later; never
// shown with the switch D.
#include "scenario/Scenario.h"

#include "res/resource.h"

namespace {

const COLORREF Key = RGB(0, 255, 0);

// The splash is the program's 350 x 200 popup of the system's static class (the indicator, another
// one, is smaller).
HWND FindSplash(DWORD processId)
{
    return FindProcessWindow(processId, "Static", NULL, [](HWND window) {
        RECT r;
        return GetWindowRect(window, &r) && r.right - r.left == 350 && r.bottom - r.top == 200;
    });
}

// Waits until the program's thread waits for input: its main window's creation is over.
bool WaitForIdle(const KestrelProcess &kestrel)
{
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, kestrel.Id());
    if (!process)
        return false;
    bool idle = WaitForInputIdle(process, 10000) == 0;
    CloseHandle(process);
    return idle;
}

typedef KestrelScenario SplashAtStart;

TEST_F(SplashAtStart, ShowsTheShapedPictureCentredOnTopWithoutTakingTheFocusForAboutThreeSeconds)
{
    // A window of the test's own holds the foreground; the splash must leave it there.
    UserWindow mine;
    ASSERT_TRUE(mine.TakeForeground());

    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Launch("/X"));
    HWND splash = NULL;
    ASSERT_TRUE(WaitUntil([&] { return (splash = FindSplash(kestrel.Id())) != NULL; }, 5000));
    // Made first, shaped, then shown.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(splash) != FALSE; }, 5000));
    DWORD shownAt = GetTickCount();
    EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(kestrel.MainWindow(), GetWindow(splash, GW_OWNER));
    EXPECT_EQ(mine.Window(), GetForegroundWindow());

    RECT r;
    ASSERT_TRUE(GetWindowRect(splash, &r));
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 350) / 2, r.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 200) / 2, r.top);
    EXPECT_EQ(350, r.right - r.left);
    EXPECT_EQ(200, r.bottom - r.top);

    // The shape is the picture's non-green pixels; on screen those show the picture, the green
    // ones the desktop. The test display is high colour, so the picture is bitmap 113.
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(splash, shape));
    HBITMAP picture = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_SPLASH_HIGH));
    ASSERT_TRUE(picture != NULL);
    int opaque = 0, clear = 0, wrongShape = 0, wrongScreen = 0;
    {
        MemoryPicture memory(picture);
        HDC screen = GetDC(NULL);
        ASSERT_TRUE(WaitUntil([&] {
            return GetPixel(screen, r.left + 175, r.top + 100) == GetPixel(memory.dc, 175, 100);
        }, 2000)) << "the splash is painted";
        for (int y = 0; y < 200; y += 3) {
            for (int x = 0; x < 350; x += 3) {
                COLORREF p = GetPixel(memory.dc, x, y);
                wrongShape += (PtInRegion(shape, x, y) != 0) != (p != Key);
                COLORREF onScreen = GetPixel(screen, r.left + x, r.top + y);
                opaque += p != Key;
                clear += p == Key;
                wrongScreen += p != Key ? onScreen != p : onScreen == Key;
            }
        }
        ReleaseDC(NULL, screen);
    }
    DeleteObject(picture);
    DeleteObject(shape);
    EXPECT_GT(opaque, 1000);
    EXPECT_GT(clear, 1000);
    EXPECT_EQ(0, wrongShape);
    EXPECT_EQ(0, wrongScreen);

    // It hides itself after its three seconds and the main window destroys it at its next tick.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(splash); }, 10000));
    DWORD gone = GetTickCount() - shownAt;
    EXPECT_GE(gone, 2500u);
    EXPECT_EQ(mine.Window(), GetForegroundWindow());
    EXPECT_TRUE(kestrel.Running());
    kestrel.Exit();
}

TEST_F(SplashAtStart, TheSwitchDMeansNoSplashWindowAtAll)
{
    const struct { const char *arguments; bool splash; } cases[] = {
        { "/X -d", false }, { "/X -D /A", false }, { "/X", true },
    };
    for (const auto &c : cases) {
        KestrelProcess kestrel;
        ASSERT_TRUE(kestrel.Launch(c.arguments)) << c.arguments;
        // The splash would be made while the main window is; by the time the program waits for
        // input it would be there.
        ASSERT_TRUE(WaitForIdle(kestrel)) << c.arguments;
        EXPECT_EQ(c.splash, FindSplash(kestrel.Id()) != NULL) << c.arguments;
        kestrel.Exit();
    }
}

} // namespace
