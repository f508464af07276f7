// The gauge's popup in the test process: its refusals and what it leaves behind. Where it shows, its
// shape and that it never takes the foreground the brightness-key scenarios see on screen.
#include <gtest/gtest.h>

#include "common/GdiCount.h"
#include "osd/BrightnessOsd.h"

namespace {

GaugeStyle Style(UINT n, UINT divisor = 8)
{
    GaugeStyle style = { n, divisor, FW_BOLD, "Arial", NULL, NULL, NULL,
                         TRUE, TRUE, 3, 3, TRUE, 1, RGB(0, 255, 0), RGB(0, 0, 0) };
    return style;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

TEST(BrightnessOsd, CreateRefusesTooFewLevelsOrASmallDivisorAndOnlyTheOwnerEndsIt)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    BrightnessOsd osd;
    SetLastError(0);
    EXPECT_FALSE(osd.Create(instance, NULL, Style(1)));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_FALSE(osd.Create(instance, NULL, Style(8, 2)));
    EXPECT_TRUE(osd.Window() == NULL);

    ASSERT_TRUE(osd.Create(instance, NULL, Style(2, 3)));
    HWND window = osd.Window();
    ASSERT_TRUE(window != NULL);
    EXPECT_TRUE(osd.Show(1));
    EXPECT_FALSE(osd.Show(2));
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));

    osd.Destroy();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(osd.Window() == NULL);
    osd.Destroy();   // nothing left to do
    EXPECT_FALSE(osd.Show(0));
}

TEST(BrightnessOsd, ThousandShowsAndFiftyLayoutsLoseNoGdiObject)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    BrightnessOsd osd;
    // The first popup and fonts leave the system's own caches behind: warm them up once.
    ASSERT_TRUE(osd.Create(instance, NULL, Style(8)));
    ASSERT_TRUE(osd.Show(0));
    Pump();
    osd.Destroy();
    UINT before = CountGdiObjects();
    ASSERT_TRUE(osd.Create(instance, NULL, Style(8)));
    ASSERT_TRUE(osd.Show(0));
    Pump();
    UINT warm = CountGdiObjects();
    for (UINT i = 0; i < 1000; i++) {
        ASSERT_TRUE(osd.Show((i * 5) % 8));
        if (i % 20 == 0) {
            SendMessageA(osd.Window(), WM_SETTINGCHANGE, 0, 0);
            Pump();
        }
    }
    Pump();
    EXPECT_EQ(warm, CountGdiObjects());
    osd.Destroy();
    EXPECT_EQ(before, CountGdiObjects());

    // Layouts that really run: the screen size changes every time.
    LevelGauge gauge(instance);
    GaugeStyle style = Style(8);
    style.minLabel = "Min.";
    style.maxLabel = "Max.";
    style.title = "Brightness";
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(gauge.Setup(style));
    ASSERT_TRUE(gauge.SetLevel(window, 3));
    warm = CountGdiObjects();
    for (UINT i = 0; i < 50; i++) {
        ASSERT_TRUE(gauge.LayoutForScreen(i % 2 ? 1024 : 800, i % 2 ? 768 : 600)) << i;
        ASSERT_TRUE(gauge.SetLevel(window, i % 8));
    }
    EXPECT_EQ(warm, CountGdiObjects());
    gauge.Destroy();
    DestroyWindow(window);
    EXPECT_EQ(before, CountGdiObjects());
}

} // namespace
