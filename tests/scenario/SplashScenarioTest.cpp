// The start-up splash as a user sees it: shown at once in the middle of the screen, shaped to its
// picture, above other windows without taking the focus, gone about three seconds later; never
// shown with the switch D.
#include "scenario/Scenario.h"

#include "res/resource.h"

namespace {

const COLORREF Key = RGB(0, 255, 0);

// The splash is the program's 350 x 200 popup of the system's static class.
HWND FindSplash(DWORD processId)
{
    return FindProcessWindow(processId, "Static", NULL, [](HWND window) {
        RECT r = WindowRect(window);
        return r.right - r.left == 350 && r.bottom - r.top == 200;
    });
}

typedef KestrelWorld SplashAtStart;

TEST_F(SplashAtStart, ShowsTheShapedPictureCentredOnTopWithoutTakingTheFocusForAboutThreeSecondsUnlessSwitchedOff)
{
    // With the switch D there is no splash window at all: it would be made with the main window, so
    // by the time the program waits for input it would be there.
    {
        KestrelProcess quiet;
        ASSERT_TRUE(quiet.Launch("/X -d"));
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, quiet.Id());
        EXPECT_TRUE(WaitForInputIdle(process, 10000) == 0 && FindSplash(quiet.Id()) == NULL);
        CloseHandle(process);
        quiet.Exit();
    }
    UserWindow mine;   // holds the foreground; the splash must leave it there
    ASSERT_TRUE(mine.TakeForeground());
    ASSERT_TRUE(kestrel.Launch("/X"));
    HWND splash = NULL;
    ASSERT_TRUE(WaitUntil([&] { return (splash = FindSplash(kestrel.Id())) && IsWindowVisible(splash); }, 5000));
    DWORD shownAt = GetTickCount();
    EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(kestrel.MainWindow(), GetWindow(splash, GW_OWNER));
    EXPECT_EQ(mine.Window(), GetForegroundWindow());
    RECT r = WindowRect(splash);
    EXPECT_TRUE(r.left == (GetSystemMetrics(SM_CXSCREEN) - 350) / 2 && r.top == (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);

    // The shape is the picture's non-green pixels; on screen those show the picture, the green
    // ones the desktop. The test display is high colour, so the picture is bitmap 113.
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(splash, shape));
    HBITMAP picture = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_SPLASH_HIGH));
    int opaque = 0, clear = 0, wrongShape = 0, wrongScreen = 0;
    {
        MemoryDc memory(NULL, picture);
        HDC screen = GetDC(NULL);
        EXPECT_TRUE(WaitUntil([&] { return GetPixel(screen, r.left + 175, r.top + 100) == GetPixel(memory.Dc(), 175, 100); },
                              2000)) << "the splash is painted";
        for (int i = 0; i < 350 * 200; i += 9) {   // every ninth pixel, shifting from row to row
            const int x = i % 350, y = i / 350;
            const COLORREF p = GetPixel(memory.Dc(), x, y), onScreen = GetPixel(screen, r.left + x, r.top + y);
            (p != Key ? opaque : clear)++;
            wrongShape += (PtInRegion(shape, x, y) != 0) != (p != Key);
            wrongScreen += p != Key ? onScreen != p : onScreen == Key;
        }
        ReleaseDC(NULL, screen);
    }
    DeleteObject(picture);
    DeleteObject(shape);
    EXPECT_TRUE(opaque > 1000 && clear > 1000 && wrongShape == 0 && wrongScreen == 0)
        << opaque << " opaque, " << clear << " clear, " << wrongShape << " off the shape, " << wrongScreen << " off screen";

    // It hides itself after its three seconds and the main window destroys it at its next tick.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(splash); }, 10000));
    EXPECT_GE(GetTickCount() - shownAt, 2500u);
    EXPECT_EQ(mine.Window(), GetForegroundWindow());
    kestrel.Exit();
}

} // namespace
